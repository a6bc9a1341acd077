#include "platform/threadname.h"

#include <pthread.h>

namespace platform {

void NameThisThread(const char* name) {
    // Only a name longer than the kernel keeps fails, and then the thread keeps the program's.
    pthread_setname_np(pthread_self(), name);
}

}  // namespace platform
