#include "GradientProgressCtrl.h"

#include "MemDC.h"

#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Filled width of a bar `width` pixels wide: position / upper × width in single precision,
// cut toward zero. Kept within [-1, width], which paints the same as the unbounded value
// and keeps the conversion defined when the quotient is huge or not a number.
int FilledWidth(int position, int upper, int width)
{
    const float filled = float(position) / float(upper) * float(width);
    if (!(filled > -1.0f))
        return -1;
    if (filled >= float(width))
        return width;
    return int(filled);
}

int BandChannel(int start, int band, float step)
{
    return std::clamp(int(float(start) + float(band) * step), 0, 255);
}

} // namespace

CGradientProgressCtrl::CGradientProgressCtrl(QWidget* parent)
    : CProgressCtrl(parent)
    , m_crGradientStart(255, 0, 0)
    , m_crGradientEnd(0, 0, 255)
    , m_crBackground(palette().color(QPalette::Button))
    , m_crText(255, 255, 255)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CGradientProgressCtrl::SetRange(int lower, int upper)
{
    m_nRangeUpper = upper;
    m_nRangeLower = lower;
    m_nPosition = lower;
    CProgressCtrl::SetRange(lower, upper);
}

void CGradientProgressCtrl::SetStep(int step)
{
    m_nStepSize = step;
    CProgressCtrl::SetStep(step);
}

void CGradientProgressCtrl::StepIt()
{
    m_nPosition += m_nStepSize;
    CProgressCtrl::StepIt();
}

void CGradientProgressCtrl::PaintBar(QPainter& painter, const QRect& client)
{
    // An idle or finished bar is plain button face, without text.
    if (!(m_nRangeLower < m_nPosition && m_nPosition < m_nRangeUpper)) {
        painter.fillRect(client, palette().color(QPalette::Button));
        return;
    }

    painter.save();
    // The off-screen surface covers the clip box; keep it inside the bar, which paints
    // every pixel of its own area only.
    painter.setClipRect(client, Qt::IntersectClip);
    DrawGradient(painter, client, FilledWidth(m_nPosition, m_nRangeUpper, client.width()));
    if (m_bShowText) {
        // Straight onto the target, over the picture the surface has just delivered.
        painter.setPen(m_crText);
        painter.setBackgroundMode(Qt::TransparentMode);
        FormatPercent(m_strPercent);
        painter.drawText(client, Qt::AlignCenter | Qt::TextSingleLine, m_strPercent);
    }
    painter.restore();
}

void CGradientProgressCtrl::DrawGradient(QPainter& dc, const QRect& client, int filled)
{
    CMemDC memDC(&dc);
    QPainter& painter = memDC.Painter();

    const int x = client.left();
    const int top = client.top();
    const int width = client.width();
    const int height = client.height();

    const int r0 = m_crGradientStart.red(), g0 = m_crGradientStart.green(), b0 = m_crGradientStart.blue();
    const int dR = m_crGradientEnd.red() - r0;
    const int dG = m_crGradientEnd.green() - g0;
    const int dB = m_crGradientEnd.blue() - b0;
    const int bands = std::max({ std::abs(dR), std::abs(dG), std::abs(dB) });

    if (bands == 0) {
        // A ramp of one colour: the reached part, column `filled` included, in that colour.
        const int reached = std::clamp(filled + 1, 0, width);
        painter.fillRect(QRect(x, top, reached, height), m_crGradientStart);
        painter.fillRect(QRect(x + reached, top, width - reached, height), m_crBackground);
        return;
    }

    const float bandWidth = float(width) / float(bands);
    const float stepR = float(dR) / float(bands);
    const float stepG = float(dG) / float(bands);
    const float stepB = float(dB) / float(bands);

    int right = 0;
    QColor colour;
    for (int i = 0; i < bands; ++i) {
        const int left = int(float(i) * bandWidth);
        right = int(float(i + 1) * bandWidth);
        colour = QColor(BandChannel(r0, i, stepR), BandChannel(g0, i, stepG), BandChannel(b0, i, stepB));
        painter.fillRect(QRect(x + left, top, right - left, height), colour);
        if (right > filled) {
            painter.fillRect(QRect(x + right, top, width - right, height), m_crBackground);
            return;
        }
    }
    // The bands can end a column short of the edge in single precision; the reached part
    // goes on in the last band's colour rather than leave those columns unpainted.
    if (right < width)
        painter.fillRect(QRect(x + right, top, width - right, height), colour);
}

void CGradientProgressCtrl::FormatPercent(QString& text) const
{
    const float percent = float(m_nPosition) / float(m_nRangeUpper) * 100.0f;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.0f%%", double(percent));
    text = QString::fromLatin1(buffer);
}

void CGradientProgressCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintBar(painter, rect());
}
