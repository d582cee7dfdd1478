#include "ProgressCtrl.h"

#include <QPainter>
#include <QStyleOptionProgressBar>

#include <cstdint>

namespace {
constexpr int kRepaintIntervalMs = 30;
}

CProgressCtrl::CProgressCtrl(QWidget* parent)
    : QWidget(parent)
{
    m_repaintTimer.setSingleShot(true);
    m_repaintTimer.setInterval(kRepaintIntervalMs);
    connect(&m_repaintTimer, &QTimer::timeout, this, [this] { update(); });
}

void CProgressCtrl::SetRange(int lower, int upper)
{
    // The native range is two 16-bit halves of one message parameter.
    m_nativeLower = int(uint16_t(lower));
    m_nativeUpper = int(uint16_t(upper));
    m_nativePosition = m_nativeLower;
    RequestRepaint();
}

void CProgressCtrl::SetStep(int step)
{
    m_nativeStep = step;
}

void CProgressCtrl::StepIt()
{
    m_nativePosition += m_nativeStep;
    if (m_nativePosition > m_nativeUpper) // a native control wraps back to its start
        m_nativePosition = m_nativeLower + (m_nativePosition - m_nativeUpper);
    RequestRepaint();
}

void CProgressCtrl::RequestRepaint()
{
    if (!m_repaintTimer.isActive())
        m_repaintTimer.start();
}

void CProgressCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.minimum = m_nativeLower;
    option.maximum = m_nativeUpper;
    option.progress = m_nativePosition;
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}
