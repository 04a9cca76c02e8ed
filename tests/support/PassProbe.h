// Watches a running pass through the messages it serves: a zero-interval
// timer fires once in every message processing (every second step).
#pragma once

#include "fixpass/FixPass.h"

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
            if (FixRunning)
                onProcessing_(count_++);
        });
        timer_.start();
    }

private:
    std::function<void(int)> onProcessing_;
    QTimer timer_;
    int count_ = 0;
};

} // namespace mendora::test
