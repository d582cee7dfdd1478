#pragma once

#include <QListWidget>

#include <functional>

// A sorted, single-selection list box with the operations of a classic list box. Entries
// are kept in the order of its comparator (text order until one is set).
class CListBox : public QListWidget {
    Q_OBJECT
public:
    // Negative, zero or positive, as a before, equal to or after b.
    using Compare = std::function<int(const QString& a, const QString& b)>;

    explicit CListBox(QWidget* parent = nullptr);

    void SetCompare(Compare compare)
    {
        m_compare = std::move(compare);
    }

    int GetCount() const;
    QString GetText(int index) const;
    // Inserts text at its sorted place and returns its index.
    int AddString(const QString& text);
    // Index of the entry equal to text (the same path), searching from `start`, or -1.
    int FindStringExact(int start, const QString& text) const;
    void DeleteString(int index);
    int GetCurSel() const;
    void SetCurSel(int index);
    void ResetContent();

private:
    Compare m_compare = [](const QString& a, const QString& b) { return QString::compare(a, b); };
};
