#include "platform/trace.h"

#include <cstdarg>
#include <cstdio>
#include <string>

Q_LOGGING_CATEGORY(lcTrace, "znl.trace", QtInfoMsg)

namespace platform {

void Trace(const char* format, ...) {
    if (!lcTrace().isDebugEnabled()) return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    qCDebug(lcTrace, "%s", text.c_str());
}

}  // namespace platform
