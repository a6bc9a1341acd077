#pragma once
// The session without a window: signs in by itself, prints every activity line, and ends the
// program with a code that says why when nobody at a keyboard could go on.
#include <QObject>
#include <cstdio>
#include <optional>
#include <string>

#include "core/clientsession.h"

// An account given on the command line, for the first sign-in.
struct GivenAccount {
    std::string userId;
    std::string password;
};

class HeadlessReceiver : public QObject {
    Q_OBJECT

public:
    // Activity lines go to `out`, the reason for an early end to `err`.
    HeadlessReceiver(ClientSession& session, std::optional<GivenAccount> given, std::FILE* out,
                     std::FILE* err);

    // The program's exit code once its loop has ended with `loopCode`.
    int ExitCode(int loopCode) const { return m_exitCode.value_or(loopCode); }

private:
    void PrintActivity(const QString& line);
    void OnSignInRequested(const SignInPrefill& prefill);
    void OnSignInFinished(SignInOutcome outcome, const QString& message);
    // Ends the loop with `code`; the first reason counts.
    void End(int code, const std::string& why);

    ClientSession& m_session;
    std::optional<GivenAccount> m_given;
    std::FILE* m_out;
    std::FILE* m_err;
    std::optional<int> m_exitCode;
};
