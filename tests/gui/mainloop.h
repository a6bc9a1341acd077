#pragma once
// The main loop as the program runs it, for tests of what ends it.
#include <QCoreApplication>
#include <QObject>

namespace testsupport {

inline constexpr int kLoopNotEnded = 7;

// Runs the main loop until whatever is queued already has run. Returns the code of the quit it
// asked for, or kLoopNotEnded if it asked for none. (A call queued while a pass of the loop runs
// waits for the next pass, and a loop told to end ends after the current pass.)
inline int RunQueuedWork() {
    QObject sentinel;  // gone with this call, so its calls never reach a later loop
    QMetaObject::invokeMethod(
        &sentinel,
        [&sentinel] {
            QMetaObject::invokeMethod(
                &sentinel, [] { QCoreApplication::exit(kLoopNotEnded); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return QCoreApplication::exec();
}

}  // namespace testsupport
