#include "platform/messagewindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <mutex>
#include <unordered_map>

#include "platform/clock.h"
#include "platform/threadhandoff.h"

namespace {

// Registry of live windows by handle. Posting happens under its lock, and a window leaves it
// under the same lock before it dies, so a posted event is always addressed to a live object.
std::mutex g_registryMutex;
std::unordered_map<std::uint64_t, MessageWindow*> g_registry;
std::uint64_t g_nextHandle = 1;

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// The caller of a cross-thread send waits on this until the handler has run, or until the event
// is destroyed unhandled because its window died first (the answer then stays 0).
struct PendingSend {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    LRESULT result = 0;

    void Finish(LRESULT value) {
        std::lock_guard lock(mutex);
        if (finished) return;
        result = value;
        finished = true;
        done.notify_all();
    }
};

class MessageEvent : public QEvent {
public:
    MessageEvent(UINT msg, WPARAM w, LPARAM l, std::shared_ptr<PendingSend> waiter)
        : QEvent(kMessageEvent), message(msg), wParam(w), lParam(l), pending(std::move(waiter)) {}
    MessageEvent(UINT msg, WPARAM w, std::string ownText)
        : QEvent(kMessageEvent),
          message(msg),
          wParam(w),
          lParam(0),
          text(std::move(ownText)),
          carriesText(true) {}
    explicit MessageEvent(std::function<void()> work)
        : QEvent(kMessageEvent), message(0), wParam(0), lParam(0), task(std::move(work)) {}
    ~MessageEvent() override {
        platform::TakeOverEventFromOtherThread();
        if (pending) pending->Finish(0);
    }
    MessageEvent(const MessageEvent&) = delete;
    MessageEvent& operator=(const MessageEvent&) = delete;

    const UINT message;
    const WPARAM wParam;
    const LPARAM lParam;
    std::shared_ptr<PendingSend> pending;  // null for a posted message
    std::string text;
    const bool carriesText = false;  // the handler gets the text's address as lParam
    std::function<void()> task;      // run instead of a handler

    LPARAM Argument() const { return carriesText ? reinterpret_cast<LPARAM>(&text) : lParam; }
};

MessageWindow* FindLocked(HWND hWnd) {
    auto it = g_registry.find(static_cast<std::uint64_t>(hWnd));
    return it == g_registry.end() ? nullptr : it->second;
}

bool Post(HWND hWnd, MessageEvent* event) {
    std::unique_ptr<MessageEvent> owned(event);
    std::lock_guard lock(g_registryMutex);
    MessageWindow* window = FindLocked(hWnd);
    if (!window) return false;
    platform::PublishEventForOtherThread();
    QCoreApplication::postEvent(window, owned.release());
    return true;
}

}  // namespace

MessageWindow::MessageWindow(QObject* parent) : QObject(parent) {
    std::lock_guard lock(g_registryMutex);
    m_hWnd = static_cast<HWND>(g_nextHandle++);
    g_registry.emplace(static_cast<std::uint64_t>(m_hWnd), this);
}

MessageWindow::~MessageWindow() {
    std::lock_guard lock(g_registryMutex);
    g_registry.erase(static_cast<std::uint64_t>(m_hWnd));
    // Events still queued for this object are destroyed by ~QObject, which releases their senders.
}

void MessageWindow::Bind(UINT message, Handler handler) {
    m_handlers[message] = std::move(handler);
}

void MessageWindow::BindTimer(TimerHandler handler) {
    m_onTimer = std::move(handler);
}

void MessageWindow::SetTimer(UINT id, int milliseconds) {
    QTimer*& timer = m_timers[id];
    if (!timer) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] {
            if (m_onTimer) m_onTimer(id);
        });
    }
    timer->start(platform::ScaledMilliseconds(milliseconds));
}

void MessageWindow::KillTimer(UINT id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end()) return;
    it->second->stop();
}

bool MessageWindow::IsTimerSet(UINT id) const {
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

LRESULT MessageWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = m_handlers.find(message);
    return it == m_handlers.end() ? 0 : it->second(wParam, lParam);
}

bool MessageWindow::event(QEvent* event) {
    platform::TakeOverEventFromOtherThread();
    if (event->type() != kMessageEvent) return QObject::event(event);
    auto* message = static_cast<MessageEvent*>(event);
    if (message->task) {
        message->task();
        return true;
    }
    LRESULT result = Dispatch(message->message, message->wParam, message->Argument());
    if (message->pending) message->pending->Finish(result);
    return true;
}

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MessageWindow* ownThreadWindow = nullptr;
    std::shared_ptr<PendingSend> pending;
    {
        std::lock_guard lock(g_registryMutex);
        MessageWindow* window = FindLocked(hWnd);
        if (!window) return 0;
        if (window->thread() == QThread::currentThread()) {
            // Only this thread could destroy it, so it outlives the call below.
            ownThreadWindow = window;
        } else {
            pending = std::make_shared<PendingSend>();
            auto* event = new MessageEvent(message, wParam, lParam, pending);
            platform::PublishEventForOtherThread();
            QCoreApplication::postEvent(window, event);
        }
    }
    if (ownThreadWindow) return ownThreadWindow->Dispatch(message, wParam, lParam);
    std::unique_lock lock(pending->mutex);
    pending->done.wait(lock, [&] { return pending->finished; });
    return pending->result;
}

bool PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Post(hWnd, new MessageEvent(message, wParam, lParam, nullptr));
}

bool PostText(HWND hWnd, UINT message, WPARAM wParam, std::string text) {
    return Post(hWnd, new MessageEvent(message, wParam, std::move(text)));
}

bool PostTask(HWND hWnd, std::function<void()> task) {
    return Post(hWnd, new MessageEvent(std::move(task)));
}

bool IsWindow(HWND hWnd) {
    std::lock_guard lock(g_registryMutex);
    return FindLocked(hWnd) != nullptr;
}

void PostQuitMessage(int exitCode) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [exitCode] { QCoreApplication::exit(exitCode); },
        Qt::QueuedConnection);
}
