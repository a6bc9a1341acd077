#pragma once
// The settings file FsIni.ini: its keys and typed access to it.
// Every read goes to the file, so a hand edit takes effect at the next read.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/programfolders.h"
#include "platform/privateprofile.h"

namespace ini {
inline constexpr char BASIC_INFO[] = "BasicInfo";
inline constexpr char LOGIN_SERVER_IP[] = "LoginServerIP";
inline constexpr char LOGIN_SERVER_PORT[] = "LoginServerPort";
inline constexpr char NICKNAME[] = "닉네임";
inline constexpr char LOG_DELETE[] = "로그삭제";
inline constexpr char AUTO_LOGIN[] = "자동로그인";
inline constexpr char USER_ID[] = "아이디";
inline constexpr char PASSWORD[] = "패스워드";
inline constexpr char NOTIFICATIONS[] = "알림";
inline constexpr char SAVE_FOLDER_SECTION[] = "SaveFolder";
inline constexpr char SAVE_FOLDER[] = "사진저장폴더";
inline constexpr char FOLDER_COUNT[] = "등록수";
inline constexpr char FTP[] = "FTP";

// Read buffer sizes: a value is cut to size - 1 bytes.
inline constexpr size_t SERVER_IP_SIZE = 20;
inline constexpr size_t NICKNAME_SIZE = 51;
inline constexpr size_t ACCOUNT_TEXT_SIZE = 20;
inline constexpr size_t FOLDER_TEXT_SIZE = 260;

// No address is configured by default: the login server is looked for on this machine.
inline constexpr char DEFAULT_LOGIN_SERVER_IP[] = "127.0.0.1";
inline constexpr int DEFAULT_LOGIN_SERVER_PORT = 30002;

}  // namespace ini

struct ServerAddress {
    std::string ip;
    int port = 0;
};

class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path file) : m_file(std::move(file)) {}

    std::string ReadText(std::string_view section, std::string_view key,
                         std::string_view defaultValue, size_t size) const;
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const;
    // A write that leaves a password in the file makes it readable by its owner alone. False when
    // the file could not be written; it is then unchanged.
    bool WriteText(std::string_view section, std::string_view key, std::string_view value) const;
    // Several keys of one section, all in one write or none.
    bool WriteTexts(std::string_view section,
                    const std::vector<platform::ProfileKeyValue>& values) const;
    // "LoginServerIP" (at most 19 bytes) and "LoginServerPort" of "BasicInfo".
    ServerAddress ReadLoginServer() const;
    // "알림" of "BasicInfo": desktop notifications of deliveries and problems, on unless "0".
    bool NotificationsOn() const;
    bool SetNotificationsOn(bool on) const;

    const std::filesystem::path& Path() const { return m_file; }

private:
    std::filesystem::path m_file;
};
