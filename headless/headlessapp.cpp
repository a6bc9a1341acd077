#include "headless/headlessapp.h"

#include <QCoreApplication>

#include "core/clientsession.h"
#include "core/exitcodes.h"
#include "core/programcommandline.h"
#include "core/programfolders.h"
#include "core/settings.h"
#include "headless/headlessreceiver.h"
#include "headless/passwordinput.h"
#include "platform/quitsignals.h"
#include "platform/singleinstance.h"
#include "protocol/cp949.h"

namespace headless {
namespace {

const char kDescription[] =
    "Receives the photos of the TAVEN PIC photo delivery service without a window: signs in with\n"
    "the account stored in FsIni.ini (automatic login), keeps the connection to the file server,\n"
    "stores the photos below the photo save folder, uploads the folder list and writes the daily\n"
    "message log, as the window ZNLClient does with the same settings file. Every activity line\n"
    "is printed on standard output. SIGTERM or SIGINT ends it.\n"
    "\n"
    "The settings file and the logs lie next to the program when its folder can be written,\n"
    "otherwise in $XDG_CONFIG_HOME/ZNLClient/FsIni.ini and $XDG_STATE_HOME/ZNLClient/logs.";

const char kExitCodes[] =
    "Exit codes:\n"
    "  0   ended by SIGTERM or SIGINT\n"
    "  64  the command line is wrong\n"
    "  65  the settings file cannot be used, or no account is stored and --login is not given\n"
    "  66  the login server refused the login\n"
    "  67  the login server cannot be reached and no account is stored to wait with\n"
    "  68  another receiver (ZNLClient or znl-client) runs for the same settings folder\n"
    "  69  a newer version is out and the updater has taken over\n";

const char kProgram[] = "znl-client";

// What the settings file can hold and give back unchanged.
bool FitsAccountField(const std::string& text) {
    return !text.empty() && platform::Utf8ToCp949(text).size() < ini::ACCOUNT_TEXT_SIZE;
}

std::optional<int> ReadGivenAccount(const QString& userId, std::optional<GivenAccount>& given) {
    const std::string id = userId.toStdString();
    std::optional<std::string> password = ReadPassword(stdin, stderr, id);
    if (!password) {
        std::fprintf(stderr, "%s: --login needs the password on standard input\n", kProgram);
        return EXIT_USAGE;
    }
    if (!FitsAccountField(id) || !FitsAccountField(*password)) {
        std::fprintf(stderr, "%s: the ID and the password take 1 to %zu bytes (CP949)\n", kProgram,
                     ini::ACCOUNT_TEXT_SIZE - 1);
        return EXIT_USAGE;
    }
    given = GivenAccount{id, *password};
    return std::nullopt;
}

const char* KindName(ReceiverKind kind) {
    switch (kind) {
        case ReceiverKind::Window:
            return "the window ZNLClient (now brought to the front)";
        case ReceiverKind::Headless:
            return "znl-client";
        default:
            return "a receiver that is starting or does not answer";
    }
}

}  // namespace

int Run(int argc, char** argv) {
    ProgramCommandLine commandLine(QString::fromLatin1(kProgram), QString::fromUtf8(kDescription),
                                   QString::fromUtf8(kExitCodes));
    const QCommandLineOption login(
        {QStringLiteral("l"), QStringLiteral("login")},
        QStringLiteral("Sign in as <id> with the password read from standard input, and store "
                       "both for automatic login."),
        QStringLiteral("id"));
    commandLine.Parser().addOption(login);
    if (const std::optional<int> code = commandLine.Answer(ArgumentsOf(argc, argv))) return *code;
    if (!commandLine.Parser().positionalArguments().isEmpty()) {
        std::fprintf(stderr, "%s: unexpected argument '%s'\nTry '%s --help'.\n", kProgram,
                     qPrintable(commandLine.Parser().positionalArguments().first()), kProgram);
        return EXIT_USAGE;
    }
    QCoreApplication app(argc, argv);
    const ProgramFolders folders = ProgramFolders::OfExecutable();
    SingleInstance instance(folders.SettingsFolder(), ReceiverKind::Headless);
    if (!instance.Claim()) {
        std::fprintf(stderr, "%s: %s already runs for the settings folder %s\n", kProgram,
                     KindName(instance.AskHolder()), folders.SettingsFolder().c_str());
        return EXIT_ALREADY_RUNNING;
    }
    std::optional<GivenAccount> given;
    if (commandLine.Parser().isSet(login)) {
        if (const std::optional<int> code =
                ReadGivenAccount(commandLine.Parser().value(login), given)) {
            return *code;
        }
    }
    platform::InstallProcessSignalHandling();
    ClientSession session(folders);
    HeadlessReceiver face(session, std::move(given), stdout, stderr);
    session.ScheduleStart();
    return face.ExitCode(QCoreApplication::exec());
}

}  // namespace headless
