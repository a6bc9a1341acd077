#pragma once
// The main form's controls (dialog resource 101): every control with its id, kind and initial
// text. Where they sit is the form's layout (formlayout.h).
#include <Qt>
#include <span>

namespace form {

inline constexpr int NO_ID = -1;
// The size the form opens with, in dialog units of its font; it may be made larger.
inline constexpr int WIDTH_DU = 400;
inline constexpr int HEIGHT_DU = 272;
inline constexpr char FONT_FACE[] = "NanumGothic";  // stands in for 굴림 (Gulim)
inline constexpr int FONT_POINTS = 9;

// Value: a text the program writes (see ElidedText); NotifyValue: one that also reports its
// clicks (see StaticNotify).
enum class Kind { ListBox, Value, NotifyValue, Edit, Button, CheckBox, ProgressBar };

struct ControlSpec {
    int id;
    Kind kind;
    const char* text;
    // For values: how a text too wide for its room is shortened, and a text whose width the
    // value keeps however narrow the window gets.
    Qt::TextElideMode elide = Qt::ElideRight;
    const char* room = "";
    Qt::Alignment align = Qt::AlignLeft;
};

std::span<const ControlSpec> Controls();

// Ids of the form's controls.
enum : int {
    IDC_ACTIVITY_LIST = 1000,
    IDC_BELOW_FORM = 1001,
    IDC_DATE = 1008,
    IDC_TIME = 1009,
    IDC_VERSION = 1010,
    IDC_FOLDER_EDIT = 1011,
    IDC_ADD_FOLDER = 1012,
    IDC_DELETE_FOLDER = 1014,
    IDC_FOLDER_LIST = 1015,
    IDC_MODIFY_FOLDER = 1016,
    IDC_SAVE_FOLDER = 1018,
    IDC_NOTICE = 1019,
    IDC_USER_ID = 1021,
    IDC_LOGOUT = 1022,
    IDC_LOGIN_TIME = 1023,
    IDC_LOGIN_INFO = 1024,
    IDC_RECEIVE_INFO = 1025,
    IDC_RECEIVE_TIME = 1026,
    IDC_PROGRESS_INFO = 1027,
    IDC_PROGRESS_TIME = 1028,
    IDC_NICKNAME = 1029,
    IDC_RECEIVE_BAR = 1030,         // progress of the file being received
    IDC_RECEIVE_RATE = 1031,        // its receiving rate and the time it still needs
    IDC_AUTOSTART = 1032,           // whether the desktop starts the client at login
    IDC_RECEIVE_SIZE = 1033,        // the size of the file being received
    IDC_BURST_COUNT = 1034,         // the photos of the current run of receptions
    IDC_CHANGE_NICKNAME = 1035,     // opens the nickname change
    IDC_CHANGE_SAVE_FOLDER = 1036,  // opens the folder picker for the photo save folder
    IDC_HISTORY = 1037,             // opens the history of received photos
};

}  // namespace form
