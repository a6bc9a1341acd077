#pragma once
// The session's timers. All but TIMER_CLOCK are one-shot: their handler kills them first.
#include "platform/wintypes.h"

enum : UINT {
    TIMER_STARTUP = 1,
    TIMER_CLOCK = 2,
    TIMER_LOGIN_CONNECT = 3,
    TIMER_REPLY_TIMEOUT = 4,
    TIMER_FILE_CONNECT = 5,
    TIMER_RELOGIN = 6,
    TIMER_FOLDER_UPLOAD = 7,
    // A login or folder-list answer that stopped arriving part of the way.
    TIMER_REPLY_SILENCE = 8,
    // A file-server connection greeted well has stayed up long enough to count as good.
    TIMER_FILE_LINE_GOOD = 9,
};
