// Hand-over to the updater: the form ends itself once the updater has its instructions.
#include "core/updater.h"
#include "gui/ovrinview.h"

void COvrinView::RunUpdater() {
    WriteUpdaterHandOver(m_Account.strUpdateServerIp);
    StartUpdater();
    g_bStop = 1;
    PostQuitMessage(0);
}
