#pragma once

#include "ProgressCtrl.h"

#include <QColor>
#include <QString>

class QPainter;

// The job's progress bar: the reached part shows a colour ramp laid over the whole width
// of the bar, the rest a background colour, and the percentage may be written over it.
// It keeps its own 32-bit range and position; painting reads only those.
class CGradientProgressCtrl : public CProgressCtrl {
    Q_OBJECT
public:
    explicit CGradientProgressCtrl(QWidget* parent = nullptr);

    void SetRange(int lower, int upper) override;
    void SetStep(int step) override;
    void StepIt() override;

    // Paints the whole bar into `client`: every pixel of it, so no background erase is needed.
    void PaintBar(QPainter& painter, const QRect& client);
    // Writes the percentage of the upper bound that the position has reached into `text`.
    void FormatPercent(QString& text) const;

    QString m_strPercent;
    int m_nRangeLower = 0;
    int m_nRangeUpper = 100;
    int m_nStepSize = 10;
    int m_nPosition = 0;
    QColor m_crGradientStart;
    QColor m_crGradientEnd;
    QColor m_crBackground;
    QColor m_crText;
    bool m_bShowText = false;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Paints the ramp up to the band that holds column `filled`, then the background.
    void DrawGradient(QPainter& dc, const QRect& client, int filled);
};
