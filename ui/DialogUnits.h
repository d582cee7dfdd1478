#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Dialog units of a font: horizontally a quarter of its average character width,
// vertically an eighth of its height.
QSize DialogBaseUnits(const QFont& font);
QRect DialogUnitsToPixels(const QRect& units, const QSize& base);
