#pragma once
#include <QFont>

// The face the form's fonts ask for, at a given cell height (ascent + descent) in pixels, as a
// Windows font with a positive height is made.
QFont MakeFormFont(int cellHeight, QFont::Weight weight);
// The form's own font (9 points).
QFont DialogFont();
