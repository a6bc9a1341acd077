#pragma once
// Fixed texts that identify the program.

// Window title, single-instance name and the program's name in the log.
inline constexpr char APP_TITLE[] = "TAVEN PIC 사진 수신 처리";
// Shown on the form and compared with the version the login server announces.
inline constexpr char PROGRAM_VERSION[] = "v.2018.04.06.02";
