// The command manager, the selection interface of the select command, and built-in command
// registration.
//
// There is one manager per process (commandManager()); it creates each command the first time
// its name is chosen, keeps it until unloadCommands() (at exit), and makes at most one command
// current. A command keeps its members across switches: becoming current again calls its
// initialize() once more.
//
// Lookup order for a name not cached yet: creators given to registerCommand(), then the
// built-in names "select", "erase", "rect", "line", "lines", "splines" in that order. A
// built-in command declares itself in its own source file of the cmd library with
//
//     MG_BUILTIN_COMMAND(select, MgCommandSelect::create)
//
// (the first argument is the name, spelt as an identifier); the cmd library links every such
// file in, and a built-in name whose command is not part of the build is simply not found.
#pragma once

#include "cmd/mgcommand.h"

#include <map>
#include <string>

/// The selection of the select command, handed out by the manager only while "select" is
/// current. Shapes handed out stay owned by their collection (or, for working copies, by the
/// command). Not deleted through this interface.
class MgSelection {
public:
    /// Copies up to count selected shapes into shapes and answers how many were written; with
    /// count 0 or shapes null answers the number available. With forChange the caller receives
    /// working copies to modify, finished with MgCommandManager::finishDynamicChange.
    virtual int selectedShapes(MgView* view, int count, MgShape** shapes, bool forChange) = 0;
    /// 0 nothing selected, 1 one shape, 2 several shapes, 3 a vertex of a selected polyline
    /// is active.
    [[nodiscard]] virtual int selectionState(MgView* view) = 0;
    /// Selects every shape; true if the number selected changed.
    virtual bool selectAll(MgView* view) = 0;
    /// Removes and destroys the selected shapes; true if any was removed.
    virtual bool deleteSelected(MgView* view) = 0;
    /// Adds offset copies of the selected shapes and selects the copies.
    virtual bool duplicateSelected(MgView* view) = 0;
    /// Selects nothing.
    virtual void clearSelection(MgView* view) = 0;
    /// Adds the shape with that id to the selection; true if such a shape exists.
    virtual bool selectShapeById(MgView* view, int id) = 0;
    /// Deletes the active vertex of the selected polyline.
    virtual bool removeVertex(const MgPointerEvent* e) = 0;
    /// Inserts a vertex into the selected polyline at the last picked point.
    virtual bool insertVertex(const MgPointerEvent* e) = 0;
    /// Opens a closed polyline or closes an open one.
    virtual bool toggleClosed(MgView* view) = 0;

protected:
    MgSelection() = default;
    MgSelection(const MgSelection&) = default;
    MgSelection& operator=(const MgSelection&) = default;
    ~MgSelection() = default;
};

/// Chooses, creates and keeps the commands. Names are 8-bit text compared byte by byte.
class MgCommandManager {
public:
    /// Name of the current command, "" when none. Valid until the next setCommand.
    [[nodiscard]] virtual const char* commandName() const = 0;
    /// The current command, or null.
    [[nodiscard]] virtual MgCommand* currentCommand() = 0;
    /// Cancels the current command, finds or creates the named one and initialises it; true
    /// when it is now current, otherwise no command is current. e must be the view's record;
    /// a null e (or a record without a view) is refused and changes nothing.
    virtual bool setCommand(const MgPointerEvent* e, const char* name) = 0;
    /// The current command's cancel(e); false when there is none.
    virtual bool cancelCurrent(const MgPointerEvent* e) = 0;
    /// Releases every cached command; no command is current afterwards.
    virtual void unloadCommands() = 0;
    /// Stores or replaces the creator for name; it takes precedence over a built-in one, but a
    /// name already created keeps its cached command. A null creator removes the entry.
    virtual void registerCommand(const char* name, MgCommandCreator creator) = 0;
    /// The selection of the current command while "select" is current and view is not null.
    [[nodiscard]] virtual MgSelection* selection(MgView* view) = 0;
    /// MgSelection::selectedShapes of the current "select" command; 0 otherwise.
    virtual int selectedShapes(MgView* view, int count, MgShape** shapes, bool forChange) = 0;
    /// Ends the select command's working-copy edit: apply true writes the copies back to the
    /// selected shapes, false discards them. False when "select" is not current.
    virtual bool finishDynamicChange(MgView* view, bool apply) = 0;

protected:
    MgCommandManager() = default;
    MgCommandManager(const MgCommandManager&) = default;
    MgCommandManager& operator=(const MgCommandManager&) = default;
    ~MgCommandManager() = default;
};

/// The manager. commandManager() returns the process-wide one; tests may make their own.
class MgCmdManagerImpl : public MgCommandManager {
public:
    MgCmdManagerImpl() = default;
    MgCmdManagerImpl(const MgCmdManagerImpl&) = delete;
    MgCmdManagerImpl& operator=(const MgCmdManagerImpl&) = delete;

    [[nodiscard]] const char* commandName() const override;
    [[nodiscard]] MgCommand* currentCommand() override;
    bool setCommand(const MgPointerEvent* e, const char* name) override;
    bool cancelCurrent(const MgPointerEvent* e) override;
    void unloadCommands() override;
    void registerCommand(const char* name, MgCommandCreator creator) override;
    [[nodiscard]] MgSelection* selection(MgView* view) override;
    int selectedShapes(MgView* view, int count, MgShape** shapes, bool forChange) override;
    bool finishDynamicChange(MgView* view, bool apply) override;
    /// Releases every command it created.
    virtual ~MgCmdManagerImpl();

    /// Number of commands created so far and still cached.
    [[nodiscard]] int cachedCount() const noexcept { return static_cast<int>(m_commands.size()); }
    /// The built-in creator for name, or null when name is not one of the six built-in names
    /// or its command is not part of the build.
    [[nodiscard]] static MgCommandCreator builtinCreator(const char* name) noexcept;

private:
    /// The current command while it is the "select" command; null otherwise.
    [[nodiscard]] MgCommand* currentSelect(MgView* view);

    std::map<std::string, MgCommand*> m_commands; ///< every command created so far, owned
    std::map<std::string, MgCommandCreator> m_creators; ///< filled only by registerCommand
    std::string m_current; ///< name of the current command, empty when none
};

/// The process-wide manager, made during static initialisation and destroyed at exit.
[[nodiscard]] MgCommandManager& commandManager();

// Declares the built-in command `name` (an identifier: select, erase, rect, line, lines or
// splines) with its creator. Use once, at namespace scope, in a source file of the cmd library.
#define MG_BUILTIN_COMMAND(name, creator)                                                                              \
    extern "C" {                                                                                                       \
    extern const char mgBuiltinCommandLink_##name;                                                                     \
    const char mgBuiltinCommandLink_##name = 0;                                                                        \
    MgCommand* mgBuiltinCommand_##name() { return (creator)(); }                                                       \
    }                                                                                                                  \
    static_assert(true, "")
