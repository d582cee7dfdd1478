#include "ExListBox.h"

#include <QHelpEvent>
#include <QToolTip>

#include <climits>

CExListBox::CExListBox(QWidget* parent)
    : CListBox(parent)
{
}

int CExListBox::OnToolHitTest(const QPoint& point, QRect* toolRect) const
{
    const int count = GetCount();
    if (count == 0)
        return -1;

    int index = indexAt(point).row();
    if (index < 0) {
        // Like a classic list box, take the entry nearest to the point, such as the last
        // one for a point below the entries.
        int bestDistance = INT_MAX;
        for (int i = 0; i < count; ++i) {
            const QRect rect = visualItemRect(item(i));
            int distance = 0;
            if (point.y() < rect.top())
                distance = rect.top() - point.y();
            else if (point.y() > rect.bottom())
                distance = point.y() - rect.bottom();
            if (distance < bestDistance) {
                bestDistance = distance;
                index = i;
            }
        }
    }
    if (toolRect)
        *toolRect = visualItemRect(item(index));
    return index;
}

QString CExListBox::OnToolTipText(int index) const
{
    return GetText(index);
}

bool CExListBox::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return CListBox::viewportEvent(event);

    const auto* help = static_cast<QHelpEvent*>(event);
    QRect toolRect;
    const int index = OnToolHitTest(help->pos(), &toolRect);
    if (index < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), OnToolTipText(index), viewport(), toolRect);
    return true;
}
