// A flood of steps must not cost a paint each: the bar's repaints are coalesced.

#include "GradientProgressCtrl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>

#include <gtest/gtest.h>

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST(ProgressRepaint, coalescesAFloodOfStepsIntoFewPaintsAndStillShowsTheLastOne)
{
    CGradientProgressCtrl bar;
    bar.resize(400, 20);
    bar.show();
    PaintCounter counter;
    bar.installEventFilter(&counter);
    bar.SetRange(0, 100000);
    bar.SetStep(1);
    QCoreApplication::processEvents();

    const int steps = 5000;
    for (int i = 0; i < steps; ++i) {
        bar.StepIt();
        QCoreApplication::processEvents();  // as between two reports of a copy
    }
    EXPECT_EQ(bar.m_nPosition, steps);
    EXPECT_LT(counter.paints, steps / 10);

    // The last state reaches the screen once the flood is over.
    const int before = counter.paints;
    QElapsedTimer timer;
    timer.start();
    while (counter.paints == before && timer.elapsed() < 2000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    EXPECT_GT(counter.paints, before);
}

}  // namespace
