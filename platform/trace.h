#pragma once
// Developer trace lines: a logging category that is off unless enabled with QT_LOGGING_RULES
// ("znl.trace.debug=true"). Nothing is stored.
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcTrace)

namespace platform {
// printf-style, like the trace facility the code was written against.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
}  // namespace platform
