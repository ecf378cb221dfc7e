#pragma once
// Waits, processing events, until a condition holds or the time is up.
#include <QElapsedTimer>
#include <QTest>

#include <functional>

namespace tessaly::testing {

inline bool WaitFor(const std::function<bool()>& condition, int ms = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

} // namespace tessaly::testing
