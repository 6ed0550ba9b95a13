#include "cmd/mgcmdmgr.h"

#include "cmd/mgcmdselect.h"
#include "graph/giviewtransform.h"

#include <cstring>

// The built-in creators are defined by MG_BUILTIN_COMMAND in the commands' own files. The
// references are weak so that a command missing from the build leaves a null creator instead of
// a link error; the cmd library's link options make sure every defining file is linked in.
extern "C" {
[[gnu::weak]] MgCommand* mgBuiltinCommand_select();
[[gnu::weak]] MgCommand* mgBuiltinCommand_erase();
[[gnu::weak]] MgCommand* mgBuiltinCommand_rect();
[[gnu::weak]] MgCommand* mgBuiltinCommand_line();
[[gnu::weak]] MgCommand* mgBuiltinCommand_lines();
[[gnu::weak]] MgCommand* mgBuiltinCommand_splines();
}

namespace {

constexpr const char* kSelectName = "select";

struct BuiltinCommand {
    const char* name;
    MgCommandCreator creator;
};

} // namespace

MgCommandCreator MgCmdManagerImpl::builtinCreator(const char* name) noexcept
{
    // Lookup order matters only for documentation: the names are distinct.
    static const BuiltinCommand kBuiltins[] = {
        { "select", mgBuiltinCommand_select },
        { "erase", mgBuiltinCommand_erase },
        { "rect", mgBuiltinCommand_rect },
        { "line", mgBuiltinCommand_line },
        { "lines", mgBuiltinCommand_lines },
        { "splines", mgBuiltinCommand_splines },
    };
    if (!name)
        return nullptr;
    for (const BuiltinCommand& b : kBuiltins) {
        if (std::strcmp(b.name, name) == 0)
            return b.creator;
    }
    return nullptr;
}

MgCmdManagerImpl::~MgCmdManagerImpl() { unloadCommands(); }

const char* MgCmdManagerImpl::commandName() const { return m_current.c_str(); }

MgCommand* MgCmdManagerImpl::currentCommand()
{
    if (m_current.empty())
        return nullptr;
    auto it = m_commands.find(m_current);
    return it == m_commands.end() ? nullptr : it->second;
}

bool MgCmdManagerImpl::setCommand(const MgPointerEvent* e, const char* name)
{
    // Every command reaches its view through the event; without one it could not even cancel.
    if (!e || !e->view)
        return false;

    cancelCurrent(e);

    // A null name is treated as an unknown one: the previous command has been cancelled and no
    // command is current afterwards.
    const std::string key = name ? name : "";
    MgCommand* cmd = nullptr;
    if (name && *name) {
        auto it = m_commands.find(key);
        if (it != m_commands.end()) {
            cmd = it->second;
        } else {
            auto ct = m_creators.find(key);
            if (ct != m_creators.end() && ct->second)
                cmd = ct->second();
            if (!cmd) {
                if (MgCommandCreator builtin = builtinCreator(name))
                    cmd = builtin();
            }
            if (cmd)
                m_commands[key] = cmd; // cached even if initialize refuses below
        }
    }

    const bool ok = cmd && cmd->initialize(e);
    m_current = ok ? key : std::string();
    return ok;
}

bool MgCmdManagerImpl::cancelCurrent(const MgPointerEvent* e)
{
    MgCommand* cmd = currentCommand();
    return cmd && e && e->view && cmd->cancel(e);
}

void MgCmdManagerImpl::unloadCommands()
{
    // Empty the cache before releasing, so a command's release never finds itself still listed.
    std::map<std::string, MgCommand*> commands;
    commands.swap(m_commands);
    m_current.clear();
    for (auto& [name, cmd] : commands) {
        if (cmd)
            cmd->release();
    }
}

void MgCmdManagerImpl::registerCommand(const char* name, MgCommandCreator creator)
{
    if (!name || !*name)
        return;
    if (creator)
        m_creators[name] = creator;
    else
        m_creators.erase(name);
}

MgCommand* MgCmdManagerImpl::currentSelect(MgView* view)
{
    if (!view || m_current != kSelectName)
        return nullptr;
    return currentCommand();
}

MgSelection* MgCmdManagerImpl::selection(MgView* view)
{
    // A creator registered under "select" may make a command without a selection.
    return dynamic_cast<MgSelection*>(currentSelect(view));
}

int MgCmdManagerImpl::selectedShapes(MgView* view, int count, MgShape** shapes, bool forChange)
{
    MgSelection* sel = selection(view);
    return sel ? sel->selectedShapes(view, count, shapes, forChange) : 0;
}

bool MgCmdManagerImpl::finishDynamicChange(MgView* view, bool apply)
{
    // A creator registered under "select" may make another kind of command.
    auto* select = dynamic_cast<MgCommandSelect*>(currentSelect(view));
    return select && select->applyWorkingCopies(view, apply, false);
}

MgCommandManager& commandManager()
{
    // Constructed during static initialisation of this file and destroyed at exit, which
    // releases every command it created.
    static MgCmdManagerImpl s_manager;
    return s_manager;
}

namespace {
// Makes the manager during static initialisation rather than at the first call.
[[maybe_unused]] MgCommandManager& s_managerAtStart = commandManager();
} // namespace

float commandTolerance(const MgPointerEvent* e, float length)
{
    if (!e || !e->view)
        return 0;
    const GiViewTransform* xf = e->view->xform();
    if (!xf)
        return 0;
    const bool inMillimetres = e->view->tolerancesInMillimetres();
    return xf->lengthToModel(inMillimetres ? length : 2 * length, inMillimetres);
}
