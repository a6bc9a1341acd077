#pragma once
// The pause before the next attempt of a reconnect loop. The n-th failure in a row waits its first
// pause doubled n - 1 times, never longer than a minute; a success starts again at the first pause.
// Failures may be of several kinds (a refused connect, a refused greeting, ...): only the first of
// a run, or one unlike the failure before it, changes what the user is told.
class RetryPause {
public:
    static constexpr int kLongestMs = 60000;

    // Counts a failure of `kind` and gives the pause before the next attempt.
    int Fail(int firstMs, int kind = 0);
    // A success: the next failure waits its first pause again.
    void Reset();

    int Failures() const { return m_failures; }
    // The pause the last failure was given; 0 after a success.
    int PauseMs() const { return m_pauseMs; }
    // Whether the last failure began the run or was of another kind than the one before it.
    bool Changed() const { return m_changed; }

private:
    int m_failures = 0;
    int m_pauseMs = 0;
    int m_kind = 0;
    bool m_changed = false;
};
