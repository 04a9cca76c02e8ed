// Watches a running pass through the messages it serves: a zero-interval
// timer fires once in every message processing of the steps (every second
// step). While the pass waits for a check it serves messages in a nested
// event loop, which the probe leaves out, so counts stay those of the steps.
#pragma once

#include "fixpass/FixPass.h"

#include <QThread>
#include <QTimer>
#include <functional>

namespace mendora::test {

class PassProbe {
public:
    // Calls `onProcessing` with the number of the processing, from 0, in
    // every message processing while a pass runs.
    explicit PassProbe(std::function<void(int)> onProcessing)
        : onProcessing_(std::move(onProcessing)) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (FixRunning && QThread::currentThread()->loopLevel() == loopLevel_)
                onProcessing_(count_++);
        });
        timer_.start();
    }

private:
    std::function<void(int)> onProcessing_;
    QTimer timer_;
    int count_ = 0;
    const int loopLevel_ = QThread::currentThread()->loopLevel();
};

} // namespace mendora::test
