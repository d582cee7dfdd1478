#include "ExListBox.h"

CExListBox::CExListBox(QWidget* parent)
    : CListBox(parent)
{
}
