#include "platform/queuedcall.h"

#include <QCoreApplication>

#include "platform/threadhandoff.h"

namespace {

const QEvent::Type kQueuedCallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class QueuedCallEvent : public QEvent {
public:
    explicit QueuedCallEvent(std::function<void()> queued)
        : QEvent(kQueuedCallEvent), call(std::move(queued)) {}
    ~QueuedCallEvent() override { platform::TakeOverEventFromOtherThread(); }
    QueuedCallEvent(const QueuedCallEvent&) = delete;
    QueuedCallEvent& operator=(const QueuedCallEvent&) = delete;

    std::function<void()> call;
};

}  // namespace

void QueuedCallReceiver::Post(std::function<void()> call) {
    auto* queued = new QueuedCallEvent(std::move(call));
    platform::PublishEventForOtherThread();
    QCoreApplication::postEvent(this, queued);
}

bool QueuedCallReceiver::event(QEvent* event) {
    platform::TakeOverEventFromOtherThread();
    if (event->type() != kQueuedCallEvent) return QObject::event(event);
    static_cast<QueuedCallEvent*>(event)->call();
    return true;
}
