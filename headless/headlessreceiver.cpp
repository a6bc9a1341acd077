#include "headless/headlessreceiver.h"

#include "core/exitcodes.h"
#include "platform/messagewindow.h"

namespace {

// One line per activity: the session's texts may hold line breaks of their own.
std::string OneLine(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.toStdString();
}

}  // namespace

HeadlessReceiver::HeadlessReceiver(ClientSession& session, std::optional<GivenAccount> given,
                                   std::FILE* out, std::FILE* err)
    : m_session(session), m_given(std::move(given)), m_out(out), m_err(err) {
    connect(&session, &ClientSession::activityLine, this,
            [this](const QString& line) { PrintActivity(line); });
    connect(&session, &ClientSession::signInRequested, this,
            [this](const SignInPrefill& prefill) { OnSignInRequested(prefill); });
    connect(&session, &ClientSession::signInFinished, this,
            [this](SignInOutcome outcome, const QString& message) {
                OnSignInFinished(outcome, message);
            });
    connect(&session, &ClientSession::signInUnanswered, this, [this](const QString& text) {
        End(EXIT_UNREACHABLE, "the login server did not answer: " + OneLine(text));
    });
    connect(&session, &ClientSession::settingsUnusable, this, [this](const QString& reason) {
        End(EXIT_SETTINGS, OneLine(reason) + ": " + m_session.Paths().settingsFile.string());
    });
    connect(&session, &ClientSession::handedOverToUpdater, this,
            [this] { End(EXIT_UPDATER, "a newer version is out; the updater has taken over"); });
}

void HeadlessReceiver::PrintActivity(const QString& line) {
    std::fprintf(m_out, "%s\n", OneLine(line).c_str());
    // Read as it happens, through a pipe or the service manager's journal.
    std::fflush(m_out);
}

void HeadlessReceiver::OnSignInRequested(const SignInPrefill& prefill) {
    if (m_exitCode) return;
    if (m_given) {
        // Stored for the automatic logins that follow, as the login dialog stores a remembered one.
        const GivenAccount given = *std::exchange(m_given, std::nullopt);
        m_session.SignIn(given.userId, given.password, true, SignInMode::ByHand);
    } else if (prefill.autoLogin) {
        m_session.SignIn(prefill.userId, prefill.password, true, SignInMode::Automatic);
    } else {
        End(EXIT_SETTINGS, "no account is stored for automatic login in " +
                               m_session.Paths().settingsFile.string() +
                               "; sign in once with --login ID");
    }
}

void HeadlessReceiver::OnSignInFinished(SignInOutcome outcome, const QString& message) {
    switch (outcome) {
        case SignInOutcome::Accepted:
            break;
        case SignInOutcome::Refused:
            End(EXIT_REFUSED, "the login was refused: " + OneLine(message));
            break;
        case SignInOutcome::Unreachable:
            End(EXIT_UNREACHABLE, "the login server cannot be reached: " + OneLine(message));
            break;
    }
}

void HeadlessReceiver::End(int code, const std::string& why) {
    if (m_exitCode) return;
    m_exitCode = code;
    std::fprintf(m_err, "znl-client: %s\n", why.c_str());
    std::fflush(m_err);
    PostQuitMessage(code);
}
