#pragma once
// Fixed texts that identify the program.
#include <string>
#include <string_view>

// Window title, single-instance name and the program's name in the log.
inline constexpr char APP_TITLE[] = "TAVEN PIC 사진 수신 처리";
// Shown on the form and compared with the version the login server announces.
inline constexpr char PROGRAM_VERSION[] = "v.2018.04.06.02";

// The notice under the activity list names whoever operates the service; the login answer may name
// an operator other than the maker.
inline constexpr char MAKER_NAME[] = "TAVEN PIC";
inline std::string NoticeText(std::string_view operatorName) {
    return "ⓒ " + std::string(operatorName) + " · 문의는 고객센터로";
}
