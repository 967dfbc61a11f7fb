// The console and the run's log are written by one thread at a time: a line, and the erasure
// of the status line before it, are one step that no other thread's output splits.
#pragma once

#include <mutex>

namespace qeb {

inline std::recursive_mutex& ConsoleMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

}  // namespace qeb
