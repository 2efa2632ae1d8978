#include "requests/TemporaryFiles.h"

#include <dirent.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>
#include <string_view>

namespace tonalyx::requests {

namespace {

constexpr std::string_view kPrefix = ".tonalyx-";
constexpr std::string_view kSuffix = ".tmp";

// One registered path. State 0: free; 1: being written or cleared; 2: a file to remove.
struct Slot {
    std::atomic<int> state{0};
    char path[PATH_MAX]{};
};

Slot gSlots[64];
// Registering and forgetting take turns, so that no thread reads a path another is writing;
// the signal handler takes no lock and reads only slots in state 2.
std::mutex gSlotsMutex;

extern "C" void RemoveAndReraise(int signalNumber) {
    const int saved = errno;
    for (Slot& slot : gSlots) {
        if (slot.state.load(std::memory_order_acquire) == 2) ::unlink(slot.path);
    }
    errno = saved;
    // The handler was installed with SA_RESETHAND: the signal, pending until the handler
    // returns, then takes its default action.
    ::raise(signalNumber);
}

// The process id in a name that TemporaryName made, or 0.
pid_t ProcessOfTemporary(std::string_view name) {
    if (name.size() <= kPrefix.size() + kSuffix.size() || name.rfind(kPrefix, 0) != 0 ||
        name.substr(name.size() - kSuffix.size()) != kSuffix) {
        return 0;
    }
    name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash + 1 == name.size()) return 0;
    pid_t process = 0;
    unsigned long counter = 0;
    const auto [pidEnd, pidError] = std::from_chars(name.data(), name.data() + dash, process);
    const auto [countEnd, countError] =
        std::from_chars(name.data() + dash + 1, name.data() + name.size(), counter);
    if (pidError != std::errc() || pidEnd != name.data() + dash || countError != std::errc() ||
        countEnd != name.data() + name.size()) {
        return 0;
    }
    return process > 0 ? process : 0;
}

}  // namespace

std::string TemporaryName(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    std::string name = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    name.append(kPrefix)
        .append(std::to_string(getpid()))
        .append("-")
        .append(std::to_string(counter++))
        .append(kSuffix);
    return name;
}

void RegisterTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX) return;
    const std::lock_guard lock(gSlotsMutex);
    for (Slot& slot : gSlots) {
        int free = 0;
        if (!slot.state.compare_exchange_strong(free, 1, std::memory_order_acquire)) continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.state.store(2, std::memory_order_release);
        return;
    }
}

void ForgetTemporary(const std::string& path) {
    const std::lock_guard lock(gSlotsMutex);
    for (Slot& slot : gSlots) {
        int registered = 2;
        if (std::strcmp(slot.path, path.c_str()) != 0 ||
            !slot.state.compare_exchange_strong(registered, 1, std::memory_order_acquire)) {
            continue;
        }
        slot.path[0] = '\0';
        slot.state.store(0, std::memory_order_release);
        return;
    }
}

void RemoveTemporariesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveAndReraise;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
        struct sigaction previous {};
        // A signal the caller's parent set to be ignored stays ignored.
        if (::sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            continue;
        }
        ::sigaction(signalNumber, &action, nullptr);
    }
}

int RemoveStaleTemporaries(const std::string& folder) {
    const std::string path = folder.empty() ? "." : folder;
    DIR* listing = ::opendir(path.c_str());
    if (listing == nullptr) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t process = ProcessOfTemporary(entry->d_name);
        if (process == 0 || process == getpid()) continue;
        if (::kill(process, 0) == 0 || errno != ESRCH) continue;  // still running, or unknown
        if (::unlink((path + "/" + entry->d_name).c_str()) == 0) ++removed;
    }
    ::closedir(listing);
    return removed;
}

}  // namespace tonalyx::requests
