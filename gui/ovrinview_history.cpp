// The button "수신 기록…": the history of received photos, in a window of its own.
#include <QPushButton>

#include "gui/controls.h"
#include "gui/formresource.h"
#include "gui/historywindow.h"
#include "gui/ovrinview.h"

void COvrinView::BindHistoryControl() {
    auto* button = static_cast<QPushButton*>(GetDlgItem(this, form::IDC_HISTORY));
    // The window belongs to the frame, as the tray menu's item finds it.
    connect(button, &QPushButton::clicked, this,
            [this] { OpenHistoryWindow(window(), m_session); });
}
