#include "gui/ovrinapp.h"

#include <QApplication>
#include <cstdio>

#include "core/clientsession.h"
#include "core/exitcodes.h"
#include "core/programcommandline.h"
#include "core/programfolders.h"
#include "gui/mainframe.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "gui/picturechecktiles.h"
#include "gui/qttranslations.h"
#include "platform/quitsignals.h"
#include "platform/singleinstance.h"
#include "protocol/programinfo.h"

namespace {

const char kDescription[] =
    "The TAVEN PIC photo receiver: signs in to the photo delivery service, receives the photos it\n"
    "sends into the photo save folder and lives in the notification area while its window is\n"
    "hidden. znl-client is the same receiver without a window.";

// A second start for the same settings folder ends here. A window that runs has been brought to
// the front, which tells the user enough; a receiver without a window has nothing to show.
int EndBesideRunningReceiver(ReceiverKind kind, const ProgramFolders& folders) {
    if (kind == ReceiverKind::Window) return EXIT_ENDED;
    const QString text =
        QStringLiteral("이 설정 폴더로 사진 수신 프로그램(znl-client)이 이미 실행 중입니다.\n%1")
            .arg(QString::fromStdString(folders.SettingsFolder().string()));
    std::fprintf(stderr, "ZNLClient: %s\n", qPrintable(text));
    MessageBox(nullptr, text, QString::fromUtf8(APP_TITLE));
    return EXIT_ALREADY_RUNNING;
}

}  // namespace

int COvrinApp::Run(int argc, char** argv) {
    ProgramCommandLine commandLine(QStringLiteral("ZNLClient"), QString::fromUtf8(kDescription));
    // Answered before Qt looks for a display.
    if (const auto code = commandLine.Answer(ArgumentsOf(argc, argv), true)) return *code;
    QApplication app(argc, argv);
    if (const auto code = commandLine.Answer(QCoreApplication::arguments())) return *code;
    // Every text of the program is Korean whatever the user's locale, so Qt's buttons are too:
    // an English "Yes" under a Korean question reads as a mistake in any locale.
    InstallKoreanQtTexts(app);
    // Closing the frame only hides it; the program ends through "Exit" or the quit message.
    QApplication::setQuitOnLastWindowClosed(false);

    // A termination signal also closes the message box of a second start.
    platform::InstallProcessSignalHandling();

    const ProgramFolders folders = ProgramFolders::OfExecutable();
    SingleInstance instance(folders.SettingsFolder(), ReceiverKind::Window);
    if (!instance.Claim()) return EndBesideRunningReceiver(instance.AskHolder(), folders);

    // The session outlives its window: the window's end stops the run, the session's end joins it.
    ClientSession session(folders);
    // One decode per photo serves its check and its thumbnail.
    const auto checkTiles = std::make_shared<PictureCheckTiles>();
    session.SetPictureDecoder(
        [checkTiles](const std::string& path) { return checkTiles->Check(path); });
    CMainFrame frame(session, checkTiles);
    frame.View()->OnInitialUpdate();
    frame.adjustSize();
    frame.showNormal();
    frame.setWindowTitle(QString::fromUtf8(APP_TITLE));
    instance.OnShowRequested([&frame] { frame.ShowFromHidden(); });
    return QApplication::exec();
}
