#include "gui/formresource.h"

#include <array>

namespace form {
namespace {

const std::array kControls{
    ControlSpec{IDC_ACTIVITY_LIST, Kind::ListBox, {7, 95, 240, 131}, ""},
    ControlSpec{IDC_DATE, Kind::Static, {299, 7, 51, 17}, "yyyy-mm-dd", Align::Centre},
    ControlSpec{IDC_TIME, Kind::Static, {353, 7, 36, 17}, "hh:mm:ss", Align::Centre},
    // Wider than the Windows label (48): NanumGothic needs more room than Gulim for the version.
    ControlSpec{IDC_VERSION, Kind::Static, {330, 252, 58, 8}, "v.2017.08.01.01"},
    ControlSpec{IDC_BELOW_FORM, Kind::Static, {8, 356, 25, 8}, ""},
    ControlSpec{IDC_FOLDER_EDIT, Kind::Edit, {252, 56, 139, 19}, ""},
    ControlSpec{IDC_ADD_FOLDER, Kind::Button, {252, 33, 42, 19}, "추가"},
    ControlSpec{IDC_DELETE_FOLDER, Kind::Button, {298, 33, 42, 19}, "삭제"},
    ControlSpec{IDC_MODIFY_FOLDER, Kind::Button, {348, 33, 42, 19}, "수정"},
    ControlSpec{IDC_FOLDER_LIST, Kind::ListBox, {252, 78, 139, 149}, ""},
    ControlSpec{
        IDC_SAVE_FOLDER, Kind::NotifyStatic, {58, 232, 331, 13}, "Folder", Align::Left, true},
    ControlSpec{IDC_NOTICE, Kind::Static, {7, 252, 139, 8}, ""},  // notice set by the form
    ControlSpec{IDC_USER_ID, Kind::Static, {59, 12, 36, 12}, "ID", Align::Centre},
    ControlSpec{IDC_LOGOUT, Kind::Button, {101, 10, 50, 14}, "로그 아웃"},
    ControlSpec{IDC_LOGIN_TIME, Kind::Static, {143, 45, 72, 12}, "Login Time", Align::Centre},
    ControlSpec{IDC_LOGIN_INFO, Kind::Static, {59, 44, 81, 12}, "Login Info", Align::Centre},
    ControlSpec{IDC_RECEIVE_INFO, Kind::Static, {59, 60, 81, 12}, "Receive Info", Align::Centre},
    ControlSpec{IDC_RECEIVE_TIME, Kind::Static, {143, 63, 72, 12}, "Receive Time", Align::Centre},
    ControlSpec{IDC_PROGRESS_INFO, Kind::Static, {59, 76, 81, 12}, "", Align::Centre},
    ControlSpec{IDC_PROGRESS_TIME, Kind::Static, {143, 77, 72, 12}, "", Align::Centre},
    ControlSpec{IDC_NICKNAME, Kind::NotifyStatic, {59, 28, 156, 12}, "", Align::Centre},
    // In the free column between the reception rows and the folder edit and list.
    ControlSpec{IDC_RECEIVE_BAR, Kind::ProgressBar, {216, 63, 35, 12}, ""},
    ControlSpec{IDC_RECEIVE_RATE, Kind::Static, {216, 77, 35, 12}, "", Align::Centre},
    // In the free stretch of the top row, between the logout button and the date.
    ControlSpec{IDC_AUTOSTART, Kind::CheckBox, {160, 11, 80, 12}, "로그인 시 자동 실행"},
    ControlSpec{NO_ID, Kind::Static, {31, 46, 22, 8}, "로그인", Align::Right},
    ControlSpec{NO_ID, Kind::Static, {18, 62, 35, 8}, "파일수신명", Align::Right},
    ControlSpec{NO_ID, Kind::Static, {11, 78, 42, 8}, "수신진행정보", Align::Right},
    ControlSpec{NO_ID, Kind::Static, {23, 14, 30, 8}, "사용자 ID", Align::Right},
    ControlSpec{NO_ID, Kind::Static, {7, 234, 47, 8}, "사진 저장 폴더", Align::Right},
    ControlSpec{NO_ID, Kind::Static, {31, 30, 22, 8}, "닉네임", Align::Right},
};

}  // namespace

std::span<const ControlSpec> Controls() {
    return kControls;
}

}  // namespace form
