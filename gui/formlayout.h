#pragma once
// Where the main form's controls sit: rows of captions and values that keep level, the activity
// list and the folder list taking what room the window gives, and a keyboard order that follows
// the form from top to bottom.
class QWidget;

// Lays out the controls of form::Controls(), already made as children of `form`, with their
// captions.
void LayOutForm(QWidget* form);
