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

    void SetRange(int lower, int upper);
    void SetStep(int step);
    void StepIt();

    int NativeLower() const { return m_nativeLower; }
    int NativeUpper() const { return m_nativeUpper; }
    int NativePosition() const { return m_nativePosition; }
    int NativeStep() const { return m_nativeStep; }

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
