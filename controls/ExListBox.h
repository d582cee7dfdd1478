#pragma once

#include "ListBox.h"

#include <QRect>

class QPoint;

// The merge list: resting the mouse on an entry shows the entry's whole text as a tooltip,
// whether or not it fits the box.
class CExListBox : public CListBox {
    Q_OBJECT
public:
    explicit CExListBox(QWidget* parent = nullptr);

    // The entry under `point` (viewport coordinates), or -1 on an empty list. A point past the
    // entries belongs to the nearest entry. `toolRect`, when given, receives that entry's
    // rectangle.
    int OnToolHitTest(const QPoint& point, QRect* toolRect = nullptr) const;
    // The tooltip text of entry `index`: its whole text, however long the path.
    QString OnToolTipText(int index) const;

protected:
    bool viewportEvent(QEvent* event) override;
};
