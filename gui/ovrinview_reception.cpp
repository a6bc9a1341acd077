// Where a file-server connection gets the thread that serves it.
#include "core/fsthread.h"
#include "gui/ovrinview.h"

// The threads belong to an owner kept as a child of this form. Children go last, after the
// destructor's OnDestroy has stopped the run and the form's message window is gone, so a thread's
// final SendMessage returns at once and the owner's bounded join cannot wait on this thread.
void COvrinView::StartReceptionThread(CClientSock* sock) {
    auto* threads = findChild<ReceptionThreads*>(QString(), Qt::FindDirectChildrenOnly);
    if (!threads) threads = new ReceptionThreads(this);
    threads->Start(sock);
}
