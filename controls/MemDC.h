#pragma once

#include <QPainter>
#include <QPixmap>
#include <QRect>

// A drawing surface for one paint pass. Everything drawn on Painter() goes into an off-screen
// pixmap that covers the target's clip box, in the target's logical coordinates, and reaches
// the target in one copy when the surface goes out of scope, so the screen never shows a
// half-drawn picture. A printing target is not buffered: Painter() is then the target itself.
//
// The pixmap is not cleared: whoever draws on the surface paints every pixel of Area().
class CMemDC {
public:
    // The target painter must outlive the surface. An inactive target gets an empty area.
    explicit CMemDC(QPainter* target);
    ~CMemDC();

    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    QPainter& Painter()
    {
        return m_bOffscreen ? m_painter : *m_pTargetDC;
    }
    bool IsOffscreen() const
    {
        return m_bOffscreen;
    }
    // The buffered area in the target's logical coordinates; empty for a printing target.
    QRect Area() const
    {
        return m_rcArea;
    }

    // True for the painters of printers and PDF writers, which are drawn on directly.
    static bool IsPrinting(const QPainter& painter);

private:
    QPixmap m_bmpOffscreen;
    QPainter m_painter; // draws on m_bmpOffscreen
    QPainter* m_pTargetDC;
    QRect m_rcArea;
    bool m_bOffscreen;
};
