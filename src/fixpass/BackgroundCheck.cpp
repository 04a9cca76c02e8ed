#include "fixpass/BackgroundCheck.h"

#include <QEventLoop>
#include <QMetaObject>
#include <exception>

namespace mendora {

BackgroundCheck::BackgroundCheck(const FileChecker &checker, const std::string &path) {
    worker_ = std::thread([this, checker, path] {
        mediacheck::CheckControl control;
        control.cancel = &cancel_;
        control.progress = [this](std::int64_t bytes) {
            judged_.store(bytes);
            // A waiting pass wakes once what it needs is there.
            if (bytes >= wanted_.load() && wanted_.exchange(kEverything) != kEverything)
                postWake();
        };
        std::optional<mediacheck::Finding> result;
        try {
            result = checker(path, control);
        } catch (const std::exception &e) {
            result = mediacheck::unreadableFinding(e.what());
        }
        if (cancel_.load())
            result.reset();
        result_ = std::move(result);
        finished_.store(true);
        postWake();
    });
}

BackgroundCheck::~BackgroundCheck() {
    cancel();
    worker_.join();
}

void BackgroundCheck::postWake() {
    // Queued to the user-interface thread; dropped if waker_ is gone by then.
    QMetaObject::invokeMethod(
        &waker_,
        [this] {
            if (loop_)
                loop_->quit();
        },
        Qt::QueuedConnection);
}

void BackgroundCheck::wake() {
    woken_ = true;
    if (loop_)
        loop_->quit();
}

void BackgroundCheck::waitFor(std::int64_t bytes) {
    woken_ = false;
    while (!woken_ && !finished_.load() && judged_.load() < bytes) {
        // Say what is needed, then look again: a progress report between
        // the first look and this one would otherwise wake nobody.
        wanted_.store(bytes);
        if (finished_.load() || judged_.load() >= bytes)
            break;
        QEventLoop loop;
        QEventLoop *const outer = loop_;
        loop_ = &loop;
        loop.exec();
        loop_ = outer;
    }
    wanted_.store(kEverything);
}

} // namespace mendora
