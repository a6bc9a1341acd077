#pragma once
// Where the main form's controls sit: rows of captions and values that keep level, the activity
// list and the folder list taking what room the window gives, the row of the latest photos, and a
// keyboard order that follows the form from top to bottom.
class QWidget;
class ThumbnailStrip;

// Lays out the controls of form::Controls(), already made as children of `form`, with their
// captions, and the row of the latest photos above the save folder.
void LayOutForm(QWidget* form, ThumbnailStrip* photos);
