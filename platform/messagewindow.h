#pragma once
// Per-window message tables, SendMessage/PostMessage and window timers with their Windows meaning.
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/wintypes.h"

class QTimer;

class MessageWindow : public QObject {
public:
    using Handler = std::function<LRESULT(WPARAM, LPARAM)>;
    using TimerHandler = std::function<void(UINT id)>;

    explicit MessageWindow(QObject* parent = nullptr);
    ~MessageWindow() override;
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND Handle() const { return m_hWnd; }

    // The message table: one handler per message number. An unknown message answers 0.
    void Bind(UINT message, Handler handler);
    void BindTimer(TimerHandler handler);

    // Repeating window timer; setting an id that runs restarts it with the new period.
    void SetTimer(UINT id, int milliseconds);
    void KillTimer(UINT id);
    bool IsTimerSet(UINT id) const;

    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    bool event(QEvent* event) override;

private:
    HWND m_hWnd;
    std::map<UINT, Handler> m_handlers;
    TimerHandler m_onTimer;
    std::map<UINT, QTimer*> m_timers;
};

// From the window's own thread the handler runs at once; from another thread the caller blocks
// until the window's thread has handled it. A window that no longer exists answers 0 at once.
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Queues the message; false when the window does not exist.
bool PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Queues the message with a text it owns: the handler's lParam points to it (a std::string) while
// it runs. The sender does not wait for the window's thread, which may be busy painting.
bool PostText(HWND hWnd, UINT message, WPARAM wParam, std::string text);
// Runs `task` on the window's thread once its loop gets to it; false (and the task dropped on
// the caller's thread) when the window does not exist. For threads that may outlive the window.
bool PostTask(HWND hWnd, std::function<void()> task);
bool IsWindow(HWND hWnd);

// Ends the message loop once control returns to it (like posting WM_QUIT), even if it has not
// started yet.
void PostQuitMessage(int exitCode);
