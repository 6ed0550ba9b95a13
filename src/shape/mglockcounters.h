// The lock counters that every shape collection carries.
//
// A collection takes no lock of its own; the scope guard of the command layer (MgShapesGuard)
// counts its holders here. All four counters start at 0 and are changed only by atomic
// increments and decrements, so a second thread could hold the collection safely.
#pragma once

#include <atomic>
#include <cstdint>

struct MgLockCounters {
    std::atomic<std::int32_t> lockCount { 0 }; ///< holders of any kind, waiting ones included
    std::atomic<std::int32_t> readers { 0 }; ///< holders of a read lock
    std::atomic<std::int32_t> writers { 0 }; ///< holders of a write lock
    std::atomic<std::int32_t> modeFlags { 0 }; ///< OR of the modes of writers that found the collection free
};
