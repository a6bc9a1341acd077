#pragma once
// The window messages through which sockets and reception threads reach the session.
#include "platform/wintypes.h"

inline constexpr UINT WM_SOCK_RECEIVE = WM_USER + 10;
inline constexpr UINT WM_SOCK_CLOSE = WM_USER + 20;
inline constexpr UINT WM_SOCK_CONNECT = WM_USER + 21;
inline constexpr UINT WM_SOCK_RELEASE = WM_USER + 23;
inline constexpr UINT WM_LOG_MESSAGE = WM_USER + 32;
// wParam of WM_LOG_MESSAGE: a line every connection attempt writes, left out while a reconnect loop
// runs (the loop says what changes); 0 for every other line.
inline constexpr WPARAM LOG_ATTEMPT_LINE = 1;
inline constexpr UINT WM_RECV_STATE = WM_USER + 35;
inline constexpr UINT WM_RECV_PROGRESS = WM_USER + 36;

// Kinds of WM_RECV_PROGRESS (wParam).
inline constexpr WPARAM RECV_PROGRESS_ANNOUNCED = 0;  // lParam: the "파일명:...  사이즈:..." text
inline constexpr WPARAM RECV_PROGRESS_RECEIVING = 1;  // lParam: bytes of the file on hand so far
inline constexpr WPARAM RECV_PROGRESS_COMPLETE = 2;   // lParam: bytes received of the whole file
inline constexpr WPARAM RECV_PROGRESS_FILE_SIZE = 3;  // lParam: the file's announced size
// lParam: why the photo save folder cannot be used (a std::string, valid during the call).
inline constexpr WPARAM RECV_SAVE_FOLDER_PROBLEM = 4;
// lParam: where the completed photo lies below the save folder (a std::string, valid during the
// call); after RECV_PROGRESS_COMPLETE.
inline constexpr WPARAM RECV_PROGRESS_STORED = 6;
// lParam: why a photo could not be written to the disk (a std::string, valid during the call).
inline constexpr WPARAM RECV_DISK_PROBLEM = 7;
