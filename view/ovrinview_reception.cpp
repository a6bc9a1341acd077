// Where a file-server connection gets the thread that serves it.
#include "view/ovrinview.h"

// Seam for file reception: the reception thread is started here once it exists. Until then an
// established file-server connection stays open and nothing reads from it.
void COvrinView::StartReceptionThread(CClientSock*) {}
