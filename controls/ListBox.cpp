#include "ListBox.h"

#include <QStyledItemDelegate>

namespace {

// Some CJK fonts draw their glyphs past the ascent and descent they declare, which is all a
// row is sized for; a row is given the height of the ink of tall glyphs and of its text.
class FullHeightRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QRect ink
            = option.fontMetrics.boundingRect(QStringLiteral("国|gjpqy") + index.data(Qt::DisplayRole).toString());
        size.setHeight(std::max(size.height(), ink.height() + 2));
        return size;
    }
};

} // namespace

CListBox::CListBox(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setUniformItemSizes(true);
    setItemDelegate(new FullHeightRows(this));
}

int CListBox::GetCount() const
{
    return count();
}

QString CListBox::GetText(int index) const
{
    const QListWidgetItem* it = item(index);
    return it ? it->text() : QString();
}

int CListBox::AddString(const QString& text)
{
    // Binary search for the first entry that sorts after text.
    int lo = 0, hi = count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (m_compare(item(mid)->text(), text) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    insertItem(lo, text);
    return lo;
}

int CListBox::FindStringExact(int start, const QString& text) const
{
    for (int i = std::max(start, 0); i < count(); ++i) {
        if (item(i)->text() == text)
            return i;
    }
    return -1;
}

void CListBox::DeleteString(int index)
{
    delete takeItem(index);
}

int CListBox::GetCurSel() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void CListBox::SetCurSel(int index)
{
    if (index < 0)
        clearSelection();
    else
        setCurrentRow(index);
}

void CListBox::ResetContent()
{
    clear();
}
