#include "util/InterruptCleanup.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace qeb {
namespace {

// STATUS_CONTROL_C_EXIT, the exit code that the system's own handling gives.
constexpr UINT kInterruptedExitCode = 0xC000013A;
// A closed console window gives the handler five seconds before the system ends the process.
constexpr int kWaitsForWriters = 30;
constexpr DWORD kWaitMs = 100;

struct Registry {
    std::mutex guard;
    std::vector<const std::wstring*> paths;
    std::atomic<bool> requested{false};
    std::function<void()> cancel;  // taken by the first interrupt that it answers
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

bool RemoveAll(const std::vector<const std::wstring*>& paths) noexcept {
    bool allGone = true;
    for (const std::wstring* path : paths) {
        // A read-only file would refuse to go.
        ::SetFileAttributesW(path->c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!::DeleteFileW(path->c_str())) {
            const DWORD error = ::GetLastError();
            allGone = allGone && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
        }
    }
    return allGone;
}

// The cancel of a live InterruptCancels answers one Ctrl+C or Ctrl+Break, once.
bool Cancelled(DWORD controlType) {
    if (controlType != CTRL_C_EVENT && controlType != CTRL_BREAK_EVENT) {
        return false;
    }
    Registry& registry = TheRegistry();
    std::function<void()> cancel;
    {
        const std::lock_guard<std::mutex> lock(registry.guard);
        cancel = std::exchange(registry.cancel, nullptr);
    }
    registry.requested = true;
    if (!cancel) {
        return false;
    }
    try {
        cancel();
    } catch (...) {
    }
    return true;
}

// Runs on a thread of its own. The process ends here, with the registry held, so that the
// main thread cannot make another file between the clean-up and the end.
BOOL WINAPI OnConsoleControl(DWORD controlType) {
    if (Cancelled(controlType)) {
        return TRUE;
    }
    Registry& registry = TheRegistry();
    registry.requested = true;
    for (int wait = 0; wait < kWaitsForWriters; ++wait) {
        registry.guard.lock();
        if (RemoveAll(registry.paths)) {
            ::ExitProcess(kInterruptedExitCode);
        }
        registry.guard.unlock();
        ::Sleep(kWaitMs);
    }
    registry.guard.lock();
    RemoveAll(registry.paths);
    ::ExitProcess(kInterruptedExitCode);
}

void InstallHandlerOnce() {
    static const bool installed = ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE) != FALSE;
    (void)installed;
}

}  // namespace

InterruptCleanup::InterruptCleanup(std::wstring path) : m_path(std::move(path)) {
    InstallHandlerOnce();
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> lock(registry.guard);
    registry.paths.push_back(&m_path);
}

InterruptCleanup::~InterruptCleanup() {
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> lock(registry.guard);
    registry.paths.erase(std::remove(registry.paths.begin(), registry.paths.end(), &m_path),
                         registry.paths.end());
}

bool InterruptCleanup::Requested() noexcept {
    return TheRegistry().requested;
}

void InterruptCleanup::HandleControl(unsigned long controlType) noexcept {
    OnConsoleControl(controlType);
}

InterruptCancels::InterruptCancels(std::function<void()> cancel) {
    InstallHandlerOnce();
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> lock(registry.guard);
    registry.cancel = std::move(cancel);
}

InterruptCancels::~InterruptCancels() {
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> lock(registry.guard);
    registry.cancel = nullptr;
}

bool InterruptCleanup::RemoveRegisteredFiles() noexcept {
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> lock(registry.guard);
    return RemoveAll(registry.paths);
}

}  // namespace qeb
