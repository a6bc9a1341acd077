#pragma once
// The main form's layout (dialog resource 101): every control with its id, kind, rectangle in
// dialog units and initial text.
#include <QRect>
#include <span>

namespace form {

inline constexpr int NO_ID = -1;
inline constexpr int WIDTH_DU = 400;
inline constexpr int HEIGHT_DU = 272;
inline constexpr char FONT_FACE[] = "NanumGothic";  // stands in for 굴림 (Gulim)
inline constexpr int FONT_POINTS = 9;

// NotifyStatic: a static text that reports its clicks (see StaticNotify).
enum class Kind { ListBox, Static, NotifyStatic, Edit, Button, CheckBox, ProgressBar };
enum class Align { Left, Centre, Right };

struct ControlSpec {
    int id;
    Kind kind;
    QRect du;
    const char* text;
    Align align = Align::Left;
    bool vcentre = false;
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
    IDC_RECEIVE_BAR = 1030,   // progress of the file being received
    IDC_RECEIVE_RATE = 1031,  // its receiving rate
    IDC_AUTOSTART = 1032,     // whether the desktop starts the client at login
};

}  // namespace form
