#include "cmd/mgshapesguard.h"

#include "shape/mglockcounters.h"
#include "shape/mgshapes.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::atomic<std::int64_t> s_sleepCount { 0 };

} // namespace

std::int64_t MgShapesGuard::sleepCount() noexcept { return s_sleepCount.load(std::memory_order_relaxed); }

MgShapesGuard::MgShapesGuard(MgShapes* shapes, int mode, int timeoutMs)
{
    if (!shapes)
        return;
    MgLockCounters& c = shapes->lockCounters();
    const bool write = mode != 0;

    bool allowed = false;
    if (c.lockCount.fetch_add(1) + 1 == 1) {
        allowed = true; // nobody held the collection
    } else {
        // A reader may join other readers at once; a writer always waits at least one poll.
        allowed = !write && c.writers.load() == 0;
        // Waiting is counted in whole polls so that a timeout of 200 ms is exactly eight sleeps,
        // however long each sleep really took.
        for (int waited = 0; !allowed && waited < timeoutMs; waited += kPollMs) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            s_sleepCount.fetch_add(1, std::memory_order_relaxed);
            allowed = write ? c.readers.load() == 0 && c.writers.load() == 0 : c.writers.load() == 0;
        }
    }
    if (!allowed) {
        c.lockCount.fetch_sub(1);
        return;
    }

    (write ? c.writers : c.readers).fetch_add(1);
    m_state = write ? 2 : 1;
    m_shapes = shapes;
    if (write && c.lockCount.load() == 1)
        c.modeFlags.fetch_or(mode);
}

MgShapesGuard::~MgShapesGuard()
{
    if (m_state == 0)
        return;
    MgLockCounters& c = m_shapes->lockCounters();
    (m_state == 2 ? c.writers : c.readers).fetch_sub(1);
    if (c.lockCount.fetch_sub(1) - 1 == 0 && m_state == 2)
        m_shapes->noteChange();
}
