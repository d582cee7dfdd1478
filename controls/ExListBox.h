#pragma once

#include "ListBox.h"

// The merge list: resting the mouse on an entry shows the entry's whole text as a tooltip.
class CExListBox : public CListBox {
    Q_OBJECT
public:
    explicit CExListBox(QWidget* parent = nullptr);
};
