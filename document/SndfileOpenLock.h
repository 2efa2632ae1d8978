#pragma once

#include <mutex>

namespace tonalyx {

// libsndfile keeps the reason a file failed to open in one process-wide variable, which an
// open in another thread overwrites. Opens are made one at a time under this lock, with the
// reason read before it is released, so that each failure reports its own reason.
inline std::mutex& SndfileOpenMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace tonalyx
