#include "gui/ovrinapp.h"

#include <QApplication>

#include "core/clientsession.h"
#include "core/settings.h"
#include "gui/mainframe.h"
#include "gui/ovrinview.h"
#include "platform/quitsignals.h"
#include "platform/singleinstance.h"
#include "protocol/programinfo.h"

int COvrinApp::Run(int argc, char** argv) {
    QApplication app(argc, argv);
    // Closing the frame only hides it; the program ends through "Exit" or the quit message.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::InstallProcessSignalHandling();

    // The session outlives its window: the window's end stops the run, the session's end joins it.
    ClientSession session(ProgramFolders::OfExecutable());
    CMainFrame frame(session);
    const bool firstInstance = frame.View()->OnInitialUpdate();
    frame.adjustSize();
    frame.showNormal();
    // The title is set only now, so the initial update above could not find this very frame.
    frame.setWindowTitle(QString::fromUtf8(APP_TITLE));
    SingleInstance instance;
    if (firstInstance) instance.Listen(frame.windowTitle(), [&frame] { frame.ShowFromHidden(); });
    return QApplication::exec();
}
