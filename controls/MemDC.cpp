#include "MemDC.h"

#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QtMath>

namespace {

// The target's clip box: the bounding rectangle of its clipping, or the whole device when it
// clips nothing, in the painter's logical coordinates.
QRect ClipBox(const QPainter& painter)
{
    if (painter.hasClipping())
        return painter.clipBoundingRect().toAlignedRect();
    const QPaintDevice* device = painter.device();
    if (!device)
        return QRect();
    const QRectF deviceRect(0, 0, device->width(), device->height());
    return painter.combinedTransform().inverted().mapRect(deviceRect).toAlignedRect();
}

} // namespace

CMemDC::CMemDC(QPainter* target)
    : m_pTargetDC(target)
    , m_bOffscreen(!IsPrinting(*target))
{
    if (!m_bOffscreen)
        return;

    m_rcArea = ClipBox(*target);
    // A surface with nothing to show still needs something to draw on; an empty area is
    // never copied back, so one spare pixel takes the drawing.
    const qreal ratio = target->device() ? target->device()->devicePixelRatio() : 1.0;
    const QSize area = m_rcArea.isEmpty() ? QSize(1, 1) : m_rcArea.size();
    m_bmpOffscreen = QPixmap(qCeil(area.width() * ratio), qCeil(area.height() * ratio));
    m_bmpOffscreen.setDevicePixelRatio(ratio);
    m_painter.begin(&m_bmpOffscreen);
    m_painter.translate(-m_rcArea.topLeft());
}

CMemDC::~CMemDC()
{
    if (!m_bOffscreen)
        return;

    m_painter.end();
    if (m_rcArea.isEmpty())
        return;
    // Replace the area as it is, whatever the target's composition mode.
    m_pTargetDC->save();
    m_pTargetDC->setCompositionMode(QPainter::CompositionMode_Source);
    m_pTargetDC->drawPixmap(m_rcArea.topLeft(), m_bmpOffscreen);
    m_pTargetDC->restore();
}

bool CMemDC::IsPrinting(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    if (!device)
        return false;
    return device->devType() == QInternal::Printer || dynamic_cast<const QPagedPaintDevice*>(device) != nullptr;
}
