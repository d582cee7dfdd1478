#pragma once

#include <QListWidget>

// A sorted, single-selection list box with the operations of a classic list box. Entries
// are kept in the order of ComparePieceNames.
class CListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CListBox(QWidget* parent = nullptr);

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
};
