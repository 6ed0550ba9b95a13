// A command that records every call with a snapshot of the pointer record, for framework and
// driver tests. Instances count themselves so tests can see creation and release.
#pragma once

#include "cmd/mgcmdmgr.h"
#include "cmd/mgcommand.h"

#include <string>
#include <vector>

struct SpyCall {
    std::string op;
    MgPointerEvent event; ///< copy of the record at the time of the call
};

class SpyCommand : public MgCommand, public MgSelection {
public:
    static inline int created = 0;
    static inline int released = 0;
    static inline bool refuseInitialize = false;
    static inline std::vector<SpyCall>* sharedLog = nullptr; ///< also appended to when set

    explicit SpyCommand(const char* name)
        : m_name(name)
    {
        ++created;
    }
    virtual ~SpyCommand() = default;

    static void resetCounters()
    {
        created = released = 0;
        refuseInitialize = false;
        sharedLog = nullptr;
    }

    std::vector<SpyCall> calls;
    [[nodiscard]] int count(const std::string& op) const
    {
        int n = 0;
        for (const SpyCall& c : calls)
            n += c.op == op;
        return n;
    }
    [[nodiscard]] std::vector<std::string> ops() const
    {
        std::vector<std::string> v;
        for (const SpyCall& c : calls)
            v.push_back(c.op);
        return v;
    }

    // ---- MgCommand ----
    const char* name() const override { return m_name; }
    void release() override
    {
        ++released;
        delete this;
    }
    bool cancel(const MgPointerEvent* e) override { return note("cancel", e); }
    bool initialize(const MgPointerEvent* e) override
    {
        note("initialize", e);
        return !refuseInitialize;
    }
    bool undoStep(const MgPointerEvent* e) override { return note("undoStep", e); }
    bool draw(const MgPointerEvent* e, GiGraphics&) override { return note("draw", e); }
    bool collectDynamicShapes(const MgPointerEvent* e, MgShapes&) override { return note("collectDynamicShapes", e); }
    bool click(const MgPointerEvent* e) override { return note("click", e); }
    bool doubleClick(const MgPointerEvent* e) override { return note("doubleClick", e); }
    bool pressAndHold(const MgPointerEvent* e) override { return note("pressAndHold", e); }
    bool dragBegin(const MgPointerEvent* e) override { return note("dragBegin", e); }
    bool dragMove(const MgPointerEvent* e) override { return note("dragMove", e); }
    bool dragEnd(const MgPointerEvent* e) override { return note("dragEnd", e); }
    bool hover(const MgPointerEvent* e) override { return note("hover", e); }

    // ---- MgSelection (answers from the fields below) ----
    std::vector<MgShape*> selected;
    int selectedShapes(MgView*, int count, MgShape** shapes, bool) override
    {
        const int n = static_cast<int>(selected.size());
        if (count <= 0 || !shapes)
            return n;
        const int m = count < n ? count : n;
        for (int i = 0; i < m; ++i)
            shapes[i] = selected[static_cast<size_t>(i)];
        return m;
    }
    int selectionState(MgView*) override { return selected.empty() ? 0 : selected.size() == 1 ? 1 : 2; }
    bool selectAll(MgView*) override { return false; }
    bool deleteSelected(MgView*) override { return false; }
    bool duplicateSelected(MgView*) override { return false; }
    void clearSelection(MgView*) override { selected.clear(); }
    bool selectShapeById(MgView*, int) override { return false; }
    bool removeVertex(const MgPointerEvent*) override { return false; }
    bool insertVertex(const MgPointerEvent*) override { return false; }
    bool toggleClosed(MgView*) override { return false; }

private:
    bool note(const char* op, const MgPointerEvent* e)
    {
        calls.push_back({ op, e ? *e : MgPointerEvent() });
        if (sharedLog)
            sharedLog->push_back(calls.back());
        return true;
    }

    const char* m_name;
};

inline MgCommand* createSpyRect() { return new SpyCommand("rect"); }
inline MgCommand* createSpySelect() { return new SpyCommand("select"); }
inline MgCommand* createSpy() { return new SpyCommand("spy"); }
inline MgCommand* createNothing() { return nullptr; }
