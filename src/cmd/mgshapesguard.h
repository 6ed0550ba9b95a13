// A scope lock on a shape collection.
//
// The guard uses the collection's MgLockCounters: lockCount (holders of any kind), readers,
// writers and modeFlags, all changed atomically. Mode 0 takes a read lock, any other mode a
// write lock; commands use mode 3 for edits and deletions, 1 for adding and 0 for reading,
// with a timeout of 200 ms.
//
// A lock that is not free is polled every 25 ms until the timeout has been spent in sleeps;
// the guard then gives up (state 0) and the caller carries on regardless. Each sleep is counted
// (sleepCount()) so tests can assert that a path never waits. Releasing the last write lock
// notes one change of the collection (MgShapes::noteChange).
//
// Nested guards on one thread: a read guard inside a read guard proceeds at once; any guard
// inside a write guard, and a write guard inside a read guard, waits the whole timeout and
// fails.
#pragma once

#include <cstdint>

struct MgShapes;

class MgShapesGuard {
public:
    /// The modes the commands lock with: reading, adding shapes, and editing or deleting them.
    static constexpr int kReadMode = 0;
    static constexpr int kAddMode = 1;
    static constexpr int kEditMode = 3;
    /// The commands' timeout, milliseconds.
    static constexpr int kTimeoutMs = 200;

    /// Locks shapes (may be null: nothing is locked) for reading (mode 0) or writing (other
    /// modes), waiting at most timeoutMs milliseconds in 25 ms sleeps.
    MgShapesGuard(MgShapes* shapes, int mode, int timeoutMs = kTimeoutMs);
    /// Undoes only what the constructor obtained; the last write lock notes a change.
    ~MgShapesGuard();
    MgShapesGuard(const MgShapesGuard&) = delete;
    MgShapesGuard& operator=(const MgShapesGuard&) = delete;

    /// 0 not locked, 1 read-locked, 2 write-locked.
    [[nodiscard]] int state() const noexcept { return m_state; }
    [[nodiscard]] bool locked() const noexcept { return m_state != 0; }
    [[nodiscard]] MgShapes* shapes() const noexcept { return m_shapes; }

    /// Number of 25 ms sleeps taken by all guards of the process so far.
    [[nodiscard]] static std::int64_t sleepCount() noexcept;

    static constexpr int kPollMs = 25;

private:
    int m_state = 0;
    MgShapes* m_shapes = nullptr;
};
