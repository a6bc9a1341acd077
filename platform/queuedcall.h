#pragma once
// Calls queued from any thread to run on the thread of a receiver object, in posting order, like
// Qt's queued invocations but handed over so the thread sanitizer can follow them.
#include <QObject>
#include <functional>

class QueuedCallReceiver : public QObject {
public:
    using QObject::QObject;

    // Any thread. The call runs unless the receiver is destroyed first.
    void Post(std::function<void()> call);

protected:
    bool event(QEvent* event) override;
};
