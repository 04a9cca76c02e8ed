// One file's check, run on a worker thread while the pass shows its steps on
// the user-interface thread. The pass waits for the check inside the event
// loop, so the window stays responsive while it waits.
#pragma once

#include "mediacheck/MediaCheck.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

class QEventLoop;

namespace mendora {

// Judges one file; the pass's default is mediacheck::checkFile.
using FileChecker = std::function<std::optional<mediacheck::Finding>(
    const std::string &path, const mediacheck::CheckControl &control)>;

class BackgroundCheck {
public:
    // Starts checking `path` at once.
    BackgroundCheck(const FileChecker &checker, const std::string &path);
    // Cancels a check still running and waits for its thread.
    ~BackgroundCheck();
    BackgroundCheck(const BackgroundCheck &) = delete;
    BackgroundCheck &operator=(const BackgroundCheck &) = delete;

    // Bytes of the file judged so far.
    std::int64_t judged() const { return judged_.load(); }
    bool finished() const { return finished_.load(); }

    // Serves events until `bytes` are judged, the check has finished or
    // wake() is called. Returns at once when one of them holds already.
    void waitFor(std::int64_t bytes);
    void waitUntilFinished() { waitFor(kEverything); }
    // Ends a wait from the user-interface thread (Stop, a row deleted).
    void wake();
    // Asks the check to stop; it then has no verdict.
    void cancel() { cancel_.store(true); }

    // The verdict, once finished(); nothing when cancelled.
    const std::optional<mediacheck::Finding> &result() const { return result_; }

private:
    static constexpr std::int64_t kEverything = INT64_MAX;

    void postWake();

    std::atomic<std::int64_t> judged_{0};
    std::atomic<bool> finished_{false};
    std::atomic<bool> cancel_{false};
    // What the waiting pass needs; kEverything when it does not wait.
    std::atomic<std::int64_t> wanted_{kEverything};
    std::optional<mediacheck::Finding> result_;
    // Lives on the user-interface thread; the worker posts its wakes to it.
    QObject waker_;
    QEventLoop *loop_ = nullptr;
    bool woken_ = false;
    std::thread worker_;
};

} // namespace mendora
