#include "DialogUnits.h"

#include <QFontMetrics>

QSize DialogBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average width of the Latin letters, as the classic dialog manager measures it.
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int width = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    return QSize(std::max(width, 1), std::max(metrics.height(), 1));
}

QRect DialogUnitsToPixels(const QRect& units, const QSize& base)
{
    auto x = [&](int v) { return (v * base.width() + 2) / 4; };
    auto y = [&](int v) { return (v * base.height() + 4) / 8; };
    return QRect(x(units.x()), y(units.y()), x(units.width()), y(units.height()));
}
