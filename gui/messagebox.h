#pragma once
// Message boxes with the Windows call shape. Tests replace the box by a handler so that nothing
// waits for a user; production code never does.
#include <QString>
#include <functional>

#include "platform/wintypes.h"

class QWidget;

// Buttons of a box.
inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_YESNO = 0x4;

// Answers, with their Windows values. IDOK is also the id and the result of a dialog's OK command.
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows a modal box and returns the answer: IDOK for MB_OK; IDYES or IDNO for MB_YESNO (closing
// the box answers IDNO).
int MessageBox(QWidget* parent, const QString& text, const QString& caption, UINT type = MB_OK);

// Replaces every box by the handler, which receives the text and caption and returns the answer;
// an empty handler restores the real boxes.
void SetMessageBoxHandlerForTests(
    std::function<int(const QString& text, const QString& caption)> handler);
