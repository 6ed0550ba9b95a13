#include "app/ui/mainframe.h"

#include "app/lrcdata.h"
#include "app/lrcfile.h"
#include "app/ui/appmessages.h"
#include "app/ui/layoutview.h"
#include "app/ui/lrcrowview.h"
#include "app/ui/tavrinapp.h"
#include "app/ui/usermessage.h"
#include "shape/mgshapes.h"

#include <algorithm>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>

// ---- CAboutDlg -----------------------------------------------------------------------------

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于 Tavrin"));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_DesktopIcon).pixmap(32, 32));
    auto* text = new QLabel(QStringLiteral("Lindqua %1 版").arg(QStringLiteral("0.1")), this);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    // Icon, text and button share the top line; centred in the tall box, the text sat below the
    // button with nothing under it.
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1, Qt::AlignTop);
    row->addWidget(ok, 0, Qt::AlignTop);
    setLayout(row);
    setFixedSize(340, 130);
}

// ---- CMainFrame ----------------------------------------------------------------------------

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent)
{
    // Caption, system menu, sizing border and maximize box; no minimize box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kAppTitle));

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_tree = new CLrcRowView(m_splitter);
    m_view = new CLayoutView(m_splitter);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_view);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({ 250, 100 });
    setCentralWidget(m_splitter);
    m_view->setFrame(this);
    connect(m_view, &CLayoutView::stateChanged, this, &CMainFrame::updateCommandUI);

    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    addCommand(file, "open", QStringLiteral("打开(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    addCommand(file, "save", QStringLiteral("保存(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    addCommand(file, "exit", QStringLiteral("退出(&X)"), QKeySequence());
    QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
    addCommand(edit, "addRegion", QStringLiteral("增加区域(&A)"), QKeySequence(Qt::CTRL | Qt::Key_R))
        ->setStatusTip(QStringLiteral("为当前歌词行增加矩形区域"));
    addCommand(edit, "deleteRegion", QStringLiteral("删除区域(&D)"), QKeySequence(Qt::CTRL | Qt::Key_D))
        ->setStatusTip(QStringLiteral("删除所选的矩形区域"));
    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("视图(&V)"));
    QAction* bar = addCommand(viewMenu, "statusBar", QStringLiteral("状态栏(&S)"), QKeySequence());
    bar->setCheckable(true);
    bar->setChecked(true);
    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    addCommand(help, "about", QStringLiteral("关于 Tavrin(&A)"), QKeySequence());
    addCommand(nullptr, "nextPane", QStringLiteral("下一窗格"), QKeySequence(Qt::Key_F6));
    addCommand(nullptr, "prevPane", QStringLiteral("上一窗格"), QKeySequence(Qt::SHIFT | Qt::Key_F6));

    connect(
        m_actions["open"], &QAction::triggered, this, [this] { runIfEnabled("open", &CMainFrame::onFileOpenSlot); });
    connect(
        m_actions["save"], &QAction::triggered, this, [this] { runIfEnabled("save", &CMainFrame::onFileSaveSlot); });
    connect(m_actions["exit"], &QAction::triggered, this, &QWidget::close);
    connect(m_actions["addRegion"], &QAction::triggered, this, [this] {
        updateCommandUI();
        m_view->runCommand(kCmdAddRegion);
    });
    connect(m_actions["deleteRegion"], &QAction::triggered, this, [this] {
        updateCommandUI();
        m_view->runCommand(kCmdDeleteRegion);
    });
    connect(bar, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    connect(m_actions["about"], &QAction::triggered, this, [this] {
        CAboutDlg dlg(this);
        dlg.exec();
    });
    connect(m_actions["nextPane"], &QAction::triggered, this, [this] { switchPane(true); });
    connect(m_actions["prevPane"], &QAction::triggered, this, [this] { switchPane(false); });
    for (QMenu* menu : { file, edit, viewMenu, help })
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandUI);

    // Status bar: the message pane, then the changed mark, x, y and zoom.
    QStatusBar* status = statusBar();
    status->showMessage(QStringLiteral("就绪"));
    // The idle message comes back whenever a status tip or message goes away (leaving a menu
    // item clears the message), so the message pane never stands empty.
    connect(status, &QStatusBar::messageChanged, status, [status](const QString& text) {
        if (text.isEmpty())
            status->showMessage(QStringLiteral("就绪"));
    });
    const std::pair<int, const char*> panes[] = {
        { kPaneChanged, "已改动" },
        { kPaneX, "X0000.00" },
        { kPaneY, "Y0000.00" },
        { kPaneZoom, "100.00%" },
    };
    // Each pane is as tall as the tallest of the samples from the start: a Chinese text falls back
    // to a font with a taller line, and a status bar that grew with "已改动" would shrink the layout
    // view, which then fits the picture again and loses the user's zoom and pan.
    int paneHeight = 0;
    for (const auto& [id, sample] : panes) {
        auto* label = new QLabel(status);
        label->setObjectName(QStringLiteral("pane%1").arg(id));
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QString::fromUtf8(sample)) + 8);
        label->setText(QString::fromUtf8(sample));
        paneHeight = std::max(paneHeight, label->sizeHint().height());
        label->clear();
        status->addPermanentWidget(label);
        m_panes[id] = label;
    }
    for (const auto& entry : m_panes)
        entry.second->setMinimumHeight(paneHeight);

    // The framework's idle update: enabling and panes follow the state whenever the loop rests.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CMainFrame::updateCommandUI);
    installLrcMessageHook(this);
    resize(1000, 720);
    updateCommandUI();
}

CMainFrame::~CMainFrame()
{
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        disconnect(dispatcher, nullptr, this, nullptr);
    disconnect(m_view, nullptr, this, nullptr);
    m_view->setFrame(nullptr);
    CLrcData::setMessageHook({});
}

QAction* CMainFrame::addCommand(QMenu* menu, const char* name, const QString& text, const QKeySequence& key)
{
    auto* act = new QAction(text, this);
    act->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty())
        act->setShortcut(key);
    if (menu)
        menu->addAction(act);
    else
        addAction(act);
    m_actions[name] = act;
    return act;
}

QAction* CMainFrame::action(const char* name) const
{
    const auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

QLabel* CMainFrame::pane(int id) const
{
    const auto it = m_panes.find(id);
    return it == m_panes.end() ? nullptr : it->second;
}

void CMainFrame::updateCommandUI()
{
    if (!m_view)
        return;
    m_actions["save"]->setEnabled(m_view->isModified());
    m_actions["addRegion"]->setEnabled(m_view->isCommandEnabled(kCmdAddRegion));
    m_actions["deleteRegion"]->setEnabled(m_view->isCommandEnabled(kCmdDeleteRegion));
    m_actions["statusBar"]->setChecked(!statusBar()->isHidden());
    for (const auto& [id, label] : m_panes) {
        const QString text = m_view->paneText(id);
        if (label->text() != text)
            label->setText(text);
    }
}

void CMainFrame::runIfEnabled(const char* name, void (CMainFrame::*handler)())
{
    // The state may have changed since the action was last refreshed.
    updateCommandUI();
    if (QAction* act = action(name); act && act->isEnabled())
        (this->*handler)();
}

void CMainFrame::onFileOpenSlot() { onFileOpen(); }
void CMainFrame::onFileSaveSlot() { onFileSave(); }

void CMainFrame::switchPane(bool)
{
    // Two panes: either direction lands on the other one.
    if (m_tree->hasFocus())
        m_view->setFocus(Qt::TabFocusReason);
    else
        m_tree->setFocus(Qt::TabFocusReason);
}

bool CMainFrame::OpenPicture(const QString& picPath, const QString& lrcPath)
{
    const bool ok = m_view->openPicture(picPath, lrcPath);
    m_tree->Fill(m_view->document(), m_view);
    m_view->setFocus(Qt::OtherFocusReason);
    setWindowTitle(picPath.isEmpty() ? QString::fromLatin1(kAppTitle)
                                     : QStringLiteral("%1 - %2").arg(QString::fromLatin1(kAppTitle), picPath));
    updateCommandUI();
    return ok;
}

bool CMainFrame::askToSave()
{
    if (!m_view->shapes() || !m_view->isModified())
        return true;
    const QString name = QFileInfo(QString::fromStdWString(m_view->document()->lrcPath())).fileName();
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppTitle),
        QStringLiteral("是否保存对 %1 的更改？").arg(name), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
        this);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes: return onFileSave(); // a failed save must not let the changes go
    case QMessageBox::No: return true;
    default: return false;
    }
}

bool CMainFrame::onFileOpen()
{
    // The dialog starts beside the picture on show (the next sheet is usually there), not in
    // whatever folder the tool was started from.
    QString startDir;
    if (const QString& current = m_view->picturePath(); !current.isEmpty() && QFileInfo(current).dir().exists())
        startDir = QFileInfo(current).absolutePath();
    QFileDialog dlg(this, QString(), startDir, QStringLiteral("图片文件 (*.jpg *.png)"));
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    if (!askToSave())
        return false;
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    const QString path = dlg.selectedFiles().front();
    if (!OpenPicture(path, QString()))
        return false;
    QSettings settings(QString::fromLatin1(CTavrinApp::kOrganization), QString::fromLatin1(CTavrinApp::kApplication));
    settings.setValue(QString::fromLatin1(CTavrinApp::kLastFileKey), path);
    return true;
}

bool CMainFrame::onFileSave()
{
    CLrcData* doc = m_view->document();
    MgShapes* shapes = m_view->shapes();
    if (!doc || !shapes)
        return false;

    LrcSaveResult result;
    // A file marked read-only is not replaced behind the user's back, even where the folder
    // would allow it.
    const QFileInfo info(QString::fromStdWString(doc->lrcPath()));
    const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (!doc->header().empty() && info.exists() && (!info.isWritable() || !(info.permissions() & writeBits))) {
        result.status = LrcSaveResult::Failed;
        result.errorCode = EACCES;
        result.error = QString::fromStdString(lrcErrorText(EACCES)).toStdWString();
    } else {
        result = doc->SaveLrc();
    }
    if (!result.ok()) {
        showUserMessage(this, QStringLiteral("无法保存歌词文件。\n%1").arg(QString::fromStdWString(result.error)));
        updateCommandUI();
        return false;
    }
    // Regions drawn while the LRC file was missing have nowhere to go: saying so, and keeping
    // the unsaved mark, is better than letting the user believe they were written (the mark would
    // vanish, closing would not ask, and the regions would be lost without a word).
    if (result.status == LrcSaveResult::NothingToWrite && doc->header().empty() && m_view->isModified()) {
        showUserMessage(
            this, QStringLiteral("歌词文件不存在，不能划位。\n%1").arg(QString::fromStdWString(doc->lrcPath())));
        updateCommandUI();
        return false;
    }
    m_view->setSavedChangeCount(shapes->changeCount());
    updateCommandUI();
    return true;
}

bool CMainFrame::event(QEvent* e)
{
    if (e->type() == kMsgRegionsChanged) {
        m_tree->Fill(m_view->document(), m_view);
        updateCommandUI();
        return true;
    }
    if (e->type() == kMsgSelectionChanged) {
        auto* msg = static_cast<CAppMessage*>(e);
        m_tree->SelectTag(msg->wParam() > 1, static_cast<int>(msg->lParam()));
        msg->setAnswer(0);
        updateCommandUI();
        return true;
    }
    return QMainWindow::event(e);
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    if (askToSave())
        e->accept();
    else
        e->ignore();
}

void CMainFrame::changeEvent(QEvent* e)
{
    // Activated other than by a click: the picture file may have been replaced meanwhile.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && QGuiApplication::mouseButtons() == Qt::NoButton)
        m_view->reloadIfChanged();
    QMainWindow::changeEvent(e);
}
