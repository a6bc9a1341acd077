#include "gui/formresource.h"

#include <array>

namespace form {
namespace {

constexpr char kTimeRoom[] = "0000-00-00 00:00:00";
constexpr Qt::Alignment kCentre = Qt::AlignHCenter;

// Every value starts empty: nothing is shown before the program knows it.
const std::array kControls{
    ControlSpec{IDC_ACTIVITY_LIST, Kind::ListBox, ""},
    ControlSpec{IDC_DATE, Kind::Value, "", Qt::ElideRight, "0000-00-00", kCentre},
    ControlSpec{IDC_TIME, Kind::Value, "", Qt::ElideRight, "00:00:00", kCentre},
    ControlSpec{IDC_VERSION, Kind::Value, "", Qt::ElideRight, "v.0000.00.00.00"},
    ControlSpec{IDC_BELOW_FORM, Kind::Value, ""},
    ControlSpec{IDC_FOLDER_EDIT, Kind::Edit, ""},
    ControlSpec{IDC_ADD_FOLDER, Kind::Button, "추가"},
    ControlSpec{IDC_DELETE_FOLDER, Kind::Button, "삭제"},
    ControlSpec{IDC_MODIFY_FOLDER, Kind::Button, "수정"},
    ControlSpec{IDC_FOLDER_LIST, Kind::ListBox, ""},
    ControlSpec{IDC_SAVE_FOLDER, Kind::NotifyValue, "", Qt::ElideMiddle, "/home/user/ZNL"},
    ControlSpec{IDC_NOTICE, Kind::Value, "", Qt::ElideRight, "xxxxxxxxxxxxxxxxxxxx"},
    ControlSpec{IDC_USER_ID, Kind::Value, "", Qt::ElideRight, "xxxxxxxxxx"},
    ControlSpec{IDC_LOGOUT, Kind::Button, "로그 아웃"},
    ControlSpec{IDC_LOGIN_TIME, Kind::Value, "", Qt::ElideRight, kTimeRoom, kCentre},
    ControlSpec{IDC_LOGIN_INFO, Kind::Value, "", Qt::ElideRight,
                "로그인 서버 연결 대기 중 (300초 후 재시도)"},
    ControlSpec{IDC_RECEIVE_INFO, Kind::Value, "", Qt::ElideMiddle, "파일서버 접속 끊김!"},
    ControlSpec{IDC_RECEIVE_TIME, Kind::Value, "", Qt::ElideRight, kTimeRoom, kCentre},
    ControlSpec{IDC_PROGRESS_INFO, Kind::Value, "", Qt::ElideRight,
                "수신 완료 사이즈: 000,000,000"},
    ControlSpec{IDC_PROGRESS_TIME, Kind::Value, "", Qt::ElideRight, kTimeRoom, kCentre},
    ControlSpec{IDC_NICKNAME, Kind::NotifyValue, "", Qt::ElideRight, "스튜디오 하늘"},
    ControlSpec{IDC_CHANGE_NICKNAME, Kind::Button, "변경…"},
    ControlSpec{IDC_RECEIVE_BAR, Kind::ProgressBar, ""},
    ControlSpec{IDC_RECEIVE_RATE, Kind::Value, "", Qt::ElideRight,
                "000.0 KB/s, 남은 시간 00분 00초"},
    ControlSpec{IDC_RECEIVE_SIZE, Kind::Value, "", Qt::ElideRight, "사이즈: 000,000,000"},
    ControlSpec{IDC_BURST_COUNT, Kind::Value, "", Qt::ElideRight, "사진 000장째 수신 중"},
    ControlSpec{IDC_AUTOSTART, Kind::CheckBox, "로그인 시 자동 실행"},
    ControlSpec{IDC_CHANGE_SAVE_FOLDER, Kind::Button, "변경…"},
    ControlSpec{IDC_HISTORY, Kind::Button, "수신 기록…"},
};

}  // namespace

std::span<const ControlSpec> Controls() {
    return kControls;
}

}  // namespace form
