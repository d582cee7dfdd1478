// The main dialog as it opens: its controls, their texts, places and tab order, the
// defaults of its state, and the ways it ends.

#include "DialogFixture.h"
#include "DialogUnits.h"
#include "ExListBox.h"
#include "GradientProgressCtrl.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <ostream>

namespace {

enum class Kind { List, Edit, Button, EditCombo, ListCombo, Label, Progress, CheckBox };

struct ControlRow {
    int id;  // 0: a label without an id, found by its text
    Kind kind;
    const char* text;
    int x, y, width, height;  // dialog units
    bool visible;
};

void PrintTo(const ControlRow& row, std::ostream* os)
{
    *os << "control " << row.id << " \"" << row.text << '"';
}

// The dialog's controls as the program's layout defines them.
const ControlRow kControls[] = {
    {ids::kMergeList, Kind::List, "", 7, 40, 141, 126, false},
    {0, Kind::Label, "文件:", 124, 18, 26, 9, true},
    {ids::kPathField, Kind::Edit, "", 156, 14, 108, 16, true},
    {ids::kBrowseButton, Kind::Button, "浏览", 274, 15, 42, 14, true},
    {ids::kSizeField, Kind::EditCombo, "250", 227, 38, 40, 96, true},
    {ids::kUnitLabel, Kind::Label, "M", 277, 41, 8, 8, true},
    {ids::kModeSelector, Kind::ListCombo, "文件分割", 53, 16, 68, 52, true},
    {0, Kind::Label, "功能选择:", 7, 18, 37, 8, true},
    {ids::kStartButton, Kind::Button, "开始分割", 67, 225, 50, 14, true},
    {ids::kCloseButton, Kind::Button, "关闭程序", 199, 225, 50, 14, true},
    {ids::kProgressBar, Kind::Progress, "", 13, 199, 292, 14, true},
    {ids::kDeleteButton, Kind::Button, "删除", 156, 54, 50, 14, false},
    {ids::kSizeLabel, Kind::Label, "按大小分割每份:", 159, 41, 65, 8, true},
    {ids::kDeleteAfterMergeBox, Kind::CheckBox, "合并完成后，删除原分割文件。", 161, 147, 120, 10, false},
    {ids::kInfoLine, Kind::Label, "", 27, 38, 124, 21, true},
};

class MainDialogTest : public DialogFixture {
protected:
    QWidget* Find(const ControlRow& row) const
    {
        if (row.id != 0)
            return dlg->GetDlgItem(row.id);
        for (QLabel* label : dlg->findChildren<QLabel*>()) {
            if (label->text() == QString::fromUtf8(row.text))
                return label;
        }
        return nullptr;
    }

    QComboBox* Combo(int id) const { return Control<QComboBox>(id); }

    static QStringList Items(const QComboBox* combo)
    {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }

    void ShowAndActivate()
    {
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
};

TEST_F(MainDialogTest, opensInSplitModeWithItsDefaults)
{
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("岚舟文件分割机"));
    EXPECT_EQ(dlg->GetDlgItemText(ids::kModeSelector), QStringLiteral("文件分割"));
    EXPECT_EQ(Combo(ids::kModeSelector)->currentIndex(), 0);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kStartButton), QStringLiteral("开始分割"));
    EXPECT_FALSE(dlg->IsJobRunning());

    // 250 is typed into the field; it is not one of the listed sizes.
    EXPECT_EQ(dlg->GetDlgItemText(ids::kSizeField), QStringLiteral("250"));
    EXPECT_EQ(Items(Combo(ids::kSizeField)),
              QStringList({QStringLiteral("10"), QStringLiteral("100"), QStringLiteral("20"), QStringLiteral("30"),
                           QStringLiteral("40"), QStringLiteral("60"), QStringLiteral("80")}));
    EXPECT_EQ(Items(Combo(ids::kModeSelector)), QStringList({QStringLiteral("文件分割"), QStringLiteral("文件合并")}));

    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), QString());
    EXPECT_EQ(dlg->GetDlgItemText(ids::kInfoLine), QString());
    EXPECT_EQ(dlg->m_listBox->GetCount(), 0);
    EXPECT_TRUE(dlg->m_pickedNames.isEmpty());
    for (const int id : {ids::kMergeList, ids::kDeleteButton, ids::kDeleteAfterMergeBox})
        EXPECT_TRUE(dlg->GetDlgItem(id)->isHidden()) << id;
    for (const int id : {ids::kSizeField, ids::kSizeLabel, ids::kUnitLabel, ids::kInfoLine})
        EXPECT_FALSE(dlg->GetDlgItem(id)->isHidden()) << id;

    ASSERT_NE(dlg->m_progress, nullptr);
    EXPECT_EQ(dlg->m_progress->m_nRangeLower, 0);
    EXPECT_EQ(dlg->m_progress->m_nRangeUpper, 100);
    EXPECT_EQ(dlg->m_progress->m_nPosition, 0);
    EXPECT_EQ(dlg->m_progress->m_nStepSize, 1);

    ASSERT_NE(dlg->GetMenuItem(ids::kMenuShowProgress), nullptr);
    ASSERT_NE(dlg->GetMenuItem(ids::kMenuMultithreading), nullptr);
    EXPECT_TRUE(dlg->GetMenuItem(ids::kMenuShowProgress)->isChecked());
    EXPECT_FALSE(dlg->GetMenuItem(ids::kMenuMultithreading)->isChecked());

    EXPECT_EQ(dlg->m_bufferFactor, 10);
    EXPECT_EQ(dlg->m_splitMode, 1);
    EXPECT_EQ(dlg->m_deleteAfterMerge, 1);
    EXPECT_EQ(g_mainWindow, static_cast<platform::WindowHandle>(dlg.get()));
    EXPECT_EQ(g_allocationGranularity, platform::AllocationGranularity());
    EXPECT_FALSE(dlg->windowIcon().isNull());
}

class ControlTableTest : public MainDialogTest, public ::testing::WithParamInterface<ControlRow> {};

TEST_P(ControlTableTest, controlHasItsKindTextAndVisibility)
{
    const ControlRow& row = GetParam();
    QWidget* widget = Find(row);
    ASSERT_NE(widget, nullptr);
    const QString text = QString::fromUtf8(row.text);
    EXPECT_EQ(!widget->isHidden(), row.visible);
    switch (row.kind) {
    case Kind::List:
        EXPECT_NE(qobject_cast<CExListBox*>(widget), nullptr);
        EXPECT_EQ(widget, static_cast<QWidget*>(dlg->m_listBox));
        break;
    case Kind::Edit:
        ASSERT_NE(qobject_cast<QLineEdit*>(widget), nullptr);
        EXPECT_FALSE(qobject_cast<QLineEdit*>(widget)->isReadOnly());
        EXPECT_EQ(qobject_cast<QLineEdit*>(widget)->text(), text);
        break;
    case Kind::Button: {
        auto* button = qobject_cast<QPushButton*>(widget);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), text);
        // No default button: Enter elsewhere ends the dialog instead of pressing one.
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
        break;
    }
    case Kind::EditCombo:
    case Kind::ListCombo: {
        auto* combo = qobject_cast<QComboBox*>(widget);
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->isEditable(), row.kind == Kind::EditCombo);
        EXPECT_EQ(combo->currentText(), text);
        break;
    }
    case Kind::Label:
        ASSERT_NE(qobject_cast<QLabel*>(widget), nullptr);
        EXPECT_EQ(qobject_cast<QLabel*>(widget)->text(), text);
        break;
    case Kind::Progress:
        EXPECT_EQ(widget, static_cast<QWidget*>(dlg->m_progress));
        break;
    case Kind::CheckBox:
        ASSERT_NE(qobject_cast<QCheckBox*>(widget), nullptr);
        EXPECT_EQ(qobject_cast<QCheckBox*>(widget)->text(), text);
        break;
    }
    if (row.id != 0) {
        EXPECT_EQ(dlg->GetDlgItemText(row.id), text);
    }
}

TEST_P(ControlTableTest, controlSitsWhereItsDialogUnitsSay)
{
    const ControlRow& row = GetParam();
    QWidget* widget = Find(row);
    ASSERT_NE(widget, nullptr);
    if (row.id == ids::kProgressBar) {
        // The bar sits one pixel inside its border, which takes the template's place.
        EXPECT_EQ(widget->geometry(), widget->parentWidget()->rect().adjusted(1, 1, -1, -1));
        widget = widget->parentWidget();
    }
    QWidget* client = widget->parentWidget();
    ASSERT_NE(client, nullptr);
    // Pixels per dialog unit, from the size of the whole client area (325 x 257 units).
    const double sx = client->width() / 325.0;
    const double sy = client->height() / 257.0;
    const QRect r = widget->geometry();
    EXPECT_NEAR(r.x(), row.x * sx, 1.5);
    EXPECT_NEAR(r.y(), row.y * sy, 1.5);
    EXPECT_NEAR(r.width(), row.width * sx, 1.5);
    if (row.kind == Kind::EditCombo || row.kind == Kind::ListCombo) {
        // The height in units includes the drop-down list; the box is one line high.
        EXPECT_LT(r.height(), row.height * sy / 2);
        EXPECT_GE(r.height(), widget->fontMetrics().height());
    } else {
        EXPECT_NEAR(r.height(), row.height * sy, 1.5);
    }
    EXPECT_TRUE(client->rect().contains(r)) << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height();
}

INSTANTIATE_TEST_SUITE_P(Template, ControlTableTest, ::testing::ValuesIn(kControls));

TEST_F(MainDialogTest, dialogUnitsComeFromTheDialogFont)
{
    EXPECT_EQ(dlg->font().families().value(0), QStringLiteral("宋体"));
    EXPECT_EQ(dlg->font().pointSize(), 9);
    const QSize base = DialogBaseUnits(dlg->font());
    EXPECT_EQ(base.height(), QFontMetrics(dlg->font()).height());
    // The horizontal base is about the average width of a character of the font.
    EXPECT_NEAR(base.width(), QFontMetrics(dlg->font()).averageCharWidth(), base.width() / 2.0 + 1);
    const QWidget* client = dlg->GetDlgItem(ids::kPathField)->parentWidget();
    EXPECT_NEAR(client->width(), 325 * base.width() / 4.0, 1);
    EXPECT_NEAR(client->height(), 257 * base.height() / 8.0, 1);
}

TEST_F(MainDialogTest, mergeModeControlsShareTheSpaceOfSplitModeControls)
{
    const QRect list = dlg->GetDlgItem(ids::kMergeList)->geometry();
    const QRect info = dlg->GetDlgItem(ids::kInfoLine)->geometry();
    EXPECT_TRUE(list.intersects(info));
    EXPECT_TRUE(dlg->GetDlgItem(ids::kDeleteButton)->geometry().top() >
                dlg->GetDlgItem(ids::kSizeLabel)->geometry().top());
}

TEST_F(MainDialogTest, tabOrderFollowsTheTemplateOrder)
{
    const QList<int> expected{ids::kMergeList,   ids::kPathField,   ids::kBrowseButton,
                              ids::kSizeField,   ids::kModeSelector, ids::kStartButton,
                              ids::kCloseButton, ids::kDeleteButton, ids::kDeleteAfterMergeBox};
    QHash<QWidget*, int> byWidget;
    for (const ControlRow& row : kControls) {
        if (row.id != 0)
            byWidget.insert(dlg->GetDlgItem(row.id), row.id);
    }
    QList<int> order;
    QWidget* w = dlg->GetDlgItem(ids::kMergeList);
    for (int steps = 0; steps < 200 && order.size() < expected.size(); ++steps) {
        const int id = byWidget.value(w, 0);
        if (id != 0 && w->focusPolicy() & Qt::TabFocus && !order.contains(id))
            order << id;
        w = w->nextInFocusChain();
    }
    EXPECT_EQ(order, expected);
    // Static texts and the progress bar take no focus.
    for (const int id : {ids::kProgressBar, ids::kInfoLine, ids::kSizeLabel, ids::kUnitLabel})
        EXPECT_FALSE(dlg->GetDlgItem(id)->focusPolicy() & Qt::TabFocus) << id;
}

TEST_F(MainDialogTest, isAFixedSizeWindowWithoutMaximiseBox)
{
    ShowAndActivate();
    const QSize size = dlg->size();
    EXPECT_EQ(dlg->minimumSize(), size);
    EXPECT_EQ(dlg->maximumSize(), size);
    dlg->resize(size + QSize(100, 100));
    QApplication::processEvents();
    EXPECT_EQ(dlg->size(), size);
    const Qt::WindowFlags flags = dlg->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    // The menu bar sits above the controls and does not cover them.
    ASSERT_NE(dlg->GetMenu(), nullptr);
    EXPECT_LE(dlg->GetMenu()->geometry().bottom(), dlg->GetDlgItem(ids::kPathField)->mapTo(dlg.get(), QPoint()).y());
    dlg->close();
}

// ---- Ending the dialog -------------------------------------------------------------------

enum class Ending { EnterInPathField, KeypadEnterInPathField, EnterInModeSelector, EnterInSizeField, Escape, CloseButton, CloseBox };

struct EndingRow {
    Ending ending;
    const char* name;
    int result;
};

void PrintTo(const EndingRow& row, std::ostream* os)
{
    *os << row.name;
}

class DialogEndingTest : public MainDialogTest, public ::testing::WithParamInterface<EndingRow> {};

TEST_P(DialogEndingTest, endsTheDialog)
{
    ShowAndActivate();
    ASSERT_TRUE(dlg->isVisible());
    dlg->setResult(-1);
    QWidget* path = dlg->GetDlgItem(ids::kPathField);
    switch (GetParam().ending) {
    case Ending::EnterInPathField:
        path->setFocus();
        QTest::keyClick(path, Qt::Key_Return);
        break;
    case Ending::KeypadEnterInPathField:
        path->setFocus();
        QTest::keyClick(path, Qt::Key_Enter, Qt::KeypadModifier);
        break;
    case Ending::EnterInModeSelector:
        dlg->GetDlgItem(ids::kModeSelector)->setFocus();
        QTest::keyClick(dlg->GetDlgItem(ids::kModeSelector), Qt::Key_Return);
        break;
    case Ending::EnterInSizeField:
        dlg->GetDlgItem(ids::kSizeField)->setFocus();
        QTest::keyClick(dlg->GetDlgItem(ids::kSizeField), Qt::Key_Return);
        break;
    case Ending::Escape:
        path->setFocus();
        QTest::keyClick(path, Qt::Key_Escape);
        break;
    case Ending::CloseButton:
        QTest::mouseClick(dlg->GetDlgItem(ids::kCloseButton), Qt::LeftButton);
        break;
    case Ending::CloseBox:
        EXPECT_TRUE(dlg->close());
        break;
    }
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), GetParam().result);
    // Nothing else happened on the way out.
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(fileRequests.empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, DialogEndingTest,
                         ::testing::Values(EndingRow{Ending::EnterInPathField, "Enter in the path field", 1},
                                           EndingRow{Ending::KeypadEnterInPathField, "keypad Enter", 1},
                                           EndingRow{Ending::EnterInModeSelector, "Enter in the mode selector", 1},
                                           EndingRow{Ending::EnterInSizeField, "Enter in the size field", 1},
                                           EndingRow{Ending::Escape, "Esc", 0},
                                           EndingRow{Ending::CloseButton, "close button", 0},
                                           EndingRow{Ending::CloseBox, "close box", 0}));

TEST_F(MainDialogTest, enterOnAFocusedButtonPressesIt)
{
    ShowAndActivate();
    QWidget* browse = dlg->GetDlgItem(ids::kBrowseButton);
    browse->setFocus();
    ASSERT_EQ(dlg->focusWidget(), browse);
    QTest::keyClick(browse, Qt::Key_Return);
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_TRUE(dlg->isVisible());

    // The close button, pressed by Enter, ends the dialog as a cancel, not as Enter would.
    QWidget* close = dlg->GetDlgItem(ids::kCloseButton);
    close->setFocus();
    dlg->setResult(-1);
    QTest::keyClick(close, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), int(QDialog::Rejected));
}

TEST_F(MainDialogTest, closeButtonEndsAModalRun)
{
    QTimer::singleShot(0, dlg.get(), [this] {
        static_cast<QPushButton*>(dlg->GetDlgItem(ids::kCloseButton))->click();
    });
    // Should the click not end it, the run ends anyway, with a result no ending gives.
    QTimer::singleShot(10000, dlg.get(), [this] { dlg->done(99); });
    EXPECT_EQ(dlg->exec(), int(QDialog::Rejected));
    EXPECT_FALSE(dlg->isVisible());
}

}  // namespace
