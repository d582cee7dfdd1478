#include "VeldaDlg.h"

#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "Ids.h"
#include "JobState.h"
#include "MessageBox.h"
#include "Names.h"
#include "Texts.h"
#include "Thread.h"
#include "Translations.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using resources::ControlKind;

CVeldaDlg::CVeldaDlg(QWidget* parent)
    : QDialog(parent)
{
    m_hIcon.addFile(QStringLiteral(":/icons/velda-16.png"));
    m_hIcon.addFile(QStringLiteral(":/icons/velda-32.png"));
    m_hIcon.addFile(QStringLiteral(":/icons/velda-48.png"));
    m_hIcon.addFile(QStringLiteral(":/icons/velda-256.png"));
    BuildFromTemplate();
    BuildMenu();
    SetUpDispatchTable();
    OnInitDialog();
}

CVeldaDlg::~CVeldaDlg()
{
    if (g_mainWindow == this)
        g_mainWindow = nullptr;
}

void CVeldaDlg::BuildFromTemplate()
{
    const resources::DialogTemplate dialog = resources::MainDialogTemplate();
    QFont font;
    if (resources::CurrentLanguage() == resources::Language::English) {
        // The template's font is a Chinese serif whose Latin letters read poorly ("l" like "1");
        // English takes the desktop's own font at the template's size.
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    } else {
        font.setFamilies(dialog.fontFamilies);
        font.setStyleHint(QFont::Serif);
    }
    font.setPointSize(dialog.fontPointSize);
    setFont(font);
    setWindowTitle(dialog.title);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
        | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setAcceptDrops(true);

    const QSize base = DialogBaseUnits(font);
    m_client = new QWidget(this);
    m_client->setFixedSize(DialogUnitsToPixels(QRect(0, 0, dialog.width, dialog.height), base).size());

    QWidget* previous = nullptr;
    for (const resources::ControlTemplate& control : dialog.controls) {
        QWidget* widget = nullptr;
        QRect geometry = DialogUnitsToPixels(QRect(control.x, control.y, control.width, control.height), base);
        switch (control.kind) {
        case ControlKind::ListBox: {
            auto* list = new CExListBox(m_client);
            list->SetCompare(ComparePieceNames);
            m_listBox = list;
            widget = list;
            break;
        }
        case ControlKind::Static: {
            auto* label = new QLabel(control.text, m_client);
            label->setAlignment(control.centred ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            // A word does not wrap: the label grows to the right to hold its longest one ("MB" in
            // a wider font than the template's), as the check box does.
            int longest = 0;
            for (const QString& word : control.text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                longest = std::max(longest, label->fontMetrics().horizontalAdvance(word));
            geometry.setWidth(std::max(geometry.width(), longest + 2 * label->margin()));
            widget = label;
            break;
        }
        case ControlKind::Edit:
            widget = new QLineEdit(control.text, m_client);
            break;
        case ControlKind::Button: {
            auto* button = new QPushButton(control.text, m_client);
            button->setAutoDefault(false);
            button->setDefault(false);
            widget = button;
            break;
        }
        case ControlKind::EditCombo:
        case ControlKind::ListCombo: {
            auto* combo = new QComboBox(m_client);
            const bool editable = control.kind == ControlKind::EditCombo;
            combo->setEditable(editable);
            if (editable) {
                combo->setInsertPolicy(QComboBox::NoInsert);
                // What is typed is the value: "1" must not become the listed "10".
                combo->setCompleter(nullptr);
            }
            // A sorted combo box: entries are added one at a time and kept in text order.
            for (const QString& item : control.items)
                combo->addItem(item);
            combo->model()->sort(0);
            combo->setCurrentIndex(-1);
            // The template's height includes the drop-down list; the box itself is one line.
            geometry.setHeight(combo->sizeHint().height());
            widget = combo;
            break;
        }
        case ControlKind::Progress: {
            m_progress = new CGradientProgressCtrl(m_client);
            widget = m_progress;
            break;
        }
        case ControlKind::CheckBox:
            widget = new QCheckBox(control.text, m_client);
            // The template was laid out for narrower glyphs than many desktops' CJK fonts:
            // the box grows to the right, never cutting its text.
            geometry.setWidth(std::max(geometry.width(), widget->sizeHint().width()));
            break;
        }
        widget->setGeometry(geometry);
        widget->setVisible(control.visible);
        if (control.kind == ControlKind::Progress) {
            // The bar paints all of its client area; its border is a frame around it.
            auto* border = new QFrame(m_client);
            border->setFrameStyle(QFrame::Box | QFrame::Plain);
            border->setLineWidth(1);
            border->setGeometry(geometry);
            widget->setParent(border);
            widget->setGeometry(1, 1, geometry.width() - 2, geometry.height() - 2);
            widget->setVisible(control.visible);
            border->setVisible(control.visible);
        }
        if (control.id >= 0) {
            widget->setObjectName(QStringLiteral("control%1").arg(control.id));
            m_controls.insert(control.id, widget);
        }
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous)
                setTabOrder(previous, widget);
            previous = widget;
        }
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_client);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The window manager places the window: a fixed (0, 0) puts the title bar off the
    // screen under window managers that keep the client area at the asked position.
}

void CVeldaDlg::BuildMenu()
{
    m_menuBar = new QMenuBar(this);
    for (const resources::MenuTemplate& dropDown : resources::MainMenuTemplate()) {
        QMenu* menu = m_menuBar->addMenu(dropDown.title);
        for (const resources::MenuItemTemplate& item : dropDown.items) {
            QAction* action = menu->addAction(item.text);
            action->setData(item.id);
            action->setCheckable(item.checkable);
            action->setChecked(item.checked);
            m_menuItems.insert(item.id, action);
        }
    }
    layout()->setMenuBar(m_menuBar);
}

void CVeldaDlg::SetUpDispatchTable()
{
    auto button = [this](int id) { return static_cast<QPushButton*>(m_controls.value(id)); };
    auto command = [this](int id, void (CVeldaDlg::*handler)()) {
        connect(m_menuItems.value(id), &QAction::triggered, this, handler);
    };
    connect(button(ids::kBrowseButton), &QPushButton::clicked, this, &CVeldaDlg::OnBrowse);
    connect(button(ids::kStartButton), &QPushButton::clicked, this, &CVeldaDlg::OnStart);
    connect(button(ids::kCloseButton), &QPushButton::clicked, this, &CVeldaDlg::OnCloseButton);
    connect(button(ids::kDeleteButton), &QPushButton::clicked, this, &CVeldaDlg::OnDeleteSelected);
    connect(static_cast<QComboBox*>(m_controls.value(ids::kModeSelector)), &QComboBox::activated, this,
        &CVeldaDlg::OnModeChange);
    // WM_COPYPROGRESS and WM_COPYFAILED arrive through HandleMessage.
    connect(static_cast<QCheckBox*>(m_controls.value(ids::kDeleteAfterMergeBox)), &QCheckBox::clicked, this,
        &CVeldaDlg::OnDeleteAfterMergeClicked);
    command(ids::kMenuShowProgress, &CVeldaDlg::OnShowProgress);
    command(ids::kMenuEnlargeBuffer, &CVeldaDlg::OnEnlargeBuffer);
    command(ids::kMenuPieceFolder, &CVeldaDlg::OnChoosePieceFolder);
    command(ids::kMenuMultithreading, &CVeldaDlg::OnUseMultithreading);
    command(ids::kMenuChecksum, &CVeldaDlg::OnWriteChecksums);
    command(ids::kMenuWriteToMe, &CVeldaDlg::OnOpenHomePage);
    command(ids::kMenuAbout, &CVeldaDlg::OnOpenHomePage);
    command(ids::kMenuFeatures, &CVeldaDlg::OnFeatures);
    command(ids::kMenuUsage, &CVeldaDlg::OnUsage);
    command(ids::kMenuForum, &CVeldaDlg::OnOpenForum);
    command(ids::kMenuAboutVelda, &CVeldaDlg::OnAboutVelda);
}

intptr_t CVeldaDlg::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case WM_COPYPROGRESS:
        return OnCopyProgress(wParam, lParam);
    case WM_COPYFAILED:
        OnCopyFailed();
        return 0;
    case WM_JOBFLUSHED:
        OnJobFlushed();
        return 0;
    default:
        return 0;
    }
}

void CVeldaDlg::OnInitDialog()
{
    auto* mode = static_cast<QComboBox*>(m_controls.value(ids::kModeSelector));
    mode->setCurrentIndex(mode->findText(texts::kModeSplit, Qt::MatchExactly));
    setWindowIcon(m_hIcon);
    g_allocationGranularity = platform::AllocationGranularity();
    m_progress->SetStep(1);
    SetDlgItemText(ids::kSizeField, QString::number(250));
    m_progress->m_bShowText = true;
    m_progress->m_crGradientStart = QColor(255, 0, 0);
    m_progress->m_crGradientEnd = QColor(255, 255, 0);
    m_progress->m_crText = QColor(255, 150, 255);
    m_progress->m_crBackground = QColor(200, 232, 234);
    g_mainWindow = this;
}

QWidget* CVeldaDlg::GetDlgItem(int id) const
{
    return m_controls.value(id);
}

QString CVeldaDlg::GetDlgItemText(int id) const
{
    QWidget* widget = m_controls.value(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    return QString();
}

void CVeldaDlg::SetDlgItemText(int id, const QString& text)
{
    QWidget* widget = m_controls.value(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        combo->setEditText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
}

QAction* CVeldaDlg::GetMenuItem(int id) const
{
    return m_menuItems.value(id);
}

void CVeldaDlg::CheckMenuItem(int id, bool checked)
{
    if (QAction* action = m_menuItems.value(id))
        action->setChecked(checked);
}

bool CVeldaDlg::IsJobRunning() const
{
    return GetDlgItemText(ids::kStartButton).contains(texts::kRunningMark);
}

void CVeldaDlg::ShowMessageBox(const QString& text, const QString& caption)
{
    ui::ShowMessage(this, text, caption);
}

void CVeldaDlg::SetItemText(int id, const QString& text)
{
    SetDlgItemText(id, text);
}

bool CVeldaDlg::ConfirmStop()
{
    return !IsJobRunning() || ui::AskYesNo(this, texts::kStopAndQuit, texts::kCaptionHint);
}

void CVeldaDlg::OnCloseButton()
{
    if (ConfirmStop())
        reject();
}

void CVeldaDlg::closeEvent(QCloseEvent* event)
{
    if (!ConfirmStop()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CVeldaDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            // No default button: Enter presses a focused push button, and otherwise ends
            // the dialog.
            if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
                button->click();
            else if (ConfirmStop())
                accept();
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            if (ConfirmStop())
                reject();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void CVeldaDlg::done(int result)
{
    if (m_closing)
        return;
    m_closing = true;
    if (IsJobRunning() || platform::RunningWorkerCount() > 0) {
        // Stop the job at its next view and wait for its workers, handling their reports,
        // so that none of them touches the dialog after it is gone.
        g_cancelRequested = true;
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!IsJobRunning() && platform::RunningWorkerCount() == 0)
                loop.quit();
        });
        poll.start(5);
        loop.exec();
    }
    QDialog::done(result);
    m_closing = false;
}

void CVeldaDlg::ReportJobEndToDesktop(bool failed)
{
    using Outcome = CDesktopNotifier::Outcome;
    const Outcome outcome = !failed ? Outcome::Done : g_cancelRequested ? Outcome::Stopped : Outcome::Failed;
    const bool merge = !m_splitMode;
    m_desktop.JobEnded(merge, outcome, merge ? g_job.joinedPath : g_job.sourcePath, platform::TickCount() - m_startTick,
        isActiveWindow());
}
