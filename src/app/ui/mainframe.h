// The main window: menus, the status bar, and a splitter with the row tree on the left and the
// layout view on the right. It carries the open, save, exit and about commands, asks whether to
// save unsaved changes before opening another picture and before closing, and passes the layout
// view's messages on to the tree.
//
// Command enabling: every action's enabled state is refreshed from its rule before a menu
// shows, whenever the event loop falls idle, after each change the view reports, and again
// just before the action runs; a command whose rule fails is not carried out.
//
// The frame owns its panes (as Qt children); the panes point at each other only through it.
#pragma once

#include <QDialog>
#include <QMainWindow>

#include <map>
#include <string>

class CLayoutView;
class CLrcRowView;
class QAction;
class QLabel;
class QMenu;
class QKeySequence;
class QSplitter;

/// The about box "关于 Tavrin": the icon, the tool's name with its version and "确定".
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    /// Application title, the first part of the window title.
    static constexpr const char* kAppTitle = "Lindqua";

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    /// Opens a picture with its LRC file (empty: beside the picture): the layout view opens it,
    /// the tree is refilled whatever the result, the view takes the focus and the title becomes
    /// "Lindqua - " + picPath. Answers the view's result.
    bool OpenPicture(const QString& picPath, const QString& lrcPath);
    /// The open command: asks to save, shows the file dialog and opens the chosen picture; a
    /// successful open stores the path as the setting "Last/File". False when nothing opened.
    bool onFileOpen();
    /// The save command: writes the LRC file. On success the document counts as saved; on
    /// failure "无法保存歌词文件。\n<reason>" is shown and the changes stay unsaved. True on success.
    bool onFileSave();
    /// Asks whether to save unsaved changes (Yes, No, Cancel). False when the user cancelled or
    /// the save failed, so the open or close must not happen.
    bool askToSave();

    /// Refreshes the enabled state of every action and the texts of the status panes.
    void updateCommandUI();

    [[nodiscard]] CLayoutView* layoutView() const noexcept { return m_view; }
    [[nodiscard]] CLrcRowView* rowView() const noexcept { return m_tree; }
    [[nodiscard]] QSplitter* splitter() const noexcept { return m_splitter; }
    /// The action of a command: "open", "save", "exit", "addRegion", "deleteRegion",
    /// "statusBar", "about", "nextPane", "prevPane"; null for another name.
    [[nodiscard]] QAction* action(const char* name) const;
    /// The status pane label of kPaneChanged, kPaneX, kPaneY or kPaneZoom; null otherwise.
    [[nodiscard]] QLabel* pane(int id) const;

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    QAction* addCommand(QMenu* menu, const char* name, const QString& text, const QKeySequence& key);
    void switchPane(bool next);
    void onFileOpenSlot();
    void onFileSaveSlot();
    void runIfEnabled(const char* name, void (CMainFrame::*handler)());

    CLrcRowView* m_tree = nullptr;
    CLayoutView* m_view = nullptr;
    QSplitter* m_splitter = nullptr;
    std::map<std::string, QAction*> m_actions;
    std::map<int, QLabel*> m_panes;
};
