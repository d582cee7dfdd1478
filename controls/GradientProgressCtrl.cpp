#include "GradientProgressCtrl.h"

#include <QPainter>

CGradientProgressCtrl::CGradientProgressCtrl(QWidget* parent)
    : CProgressCtrl(parent)
    , m_crGradientStart(255, 0, 0)
    , m_crGradientEnd(0, 0, 255)
    , m_crBackground(palette().color(QPalette::Button))
    , m_crText(255, 255, 255)
{
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
    painter.fillRect(client, palette().color(QPalette::Button));
}

void CGradientProgressCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintBar(painter, rect());
}
