#pragma once

#include <QTimer>
#include <QWidget>

// A progress control: a range, a step and a position that moves only by StepIt. Like a
// native control it keeps its range in 16 bits. Every change asks for a repaint, and the
// repaints are coalesced, so a flood of steps costs a few paints a second, not one each.
class CProgressCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CProgressCtrl(QWidget* parent = nullptr);

    // Virtual, so that a control that keeps a range of its own is reached the same way
    // through a pointer to this class.
    virtual void SetRange(int lower, int upper);
    virtual void SetStep(int step);
    virtual void StepIt();

    int NativeUpper() const
    {
        return m_nativeUpper;
    }

protected:
    void RequestRepaint();
    void paintEvent(QPaintEvent* event) override;

private:
    int m_nativeLower = 0;
    int m_nativeUpper = 100;
    int m_nativePosition = 0;
    int m_nativeStep = 10;
    QTimer m_repaintTimer;
};
