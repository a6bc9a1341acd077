// Hand-over to the updater: the form ends itself once the updater has its instructions.
#include "local/updater.h"
#include "view/ovrinview.h"

void COvrinView::RunUpdater() {
    WriteUpdaterHandOver(m_Account.strUpdateServerIp);
    StartUpdater();
    g_bStop = 1;
    PostQuitMessage(0);
}
