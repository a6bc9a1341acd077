#include "core/settings.h"

std::string SettingsFile::ReadText(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, size_t size) const {
    return platform::GetPrivateProfileString(section, key, defaultValue, size, m_file);
}

int SettingsFile::ReadInt(std::string_view section, std::string_view key, int defaultValue) const {
    return platform::GetPrivateProfileInt(section, key, defaultValue, m_file);
}

namespace {
constexpr platform::ProfileSecret kPassword{ini::BASIC_INFO, ini::PASSWORD};
}  // namespace

bool SettingsFile::WriteText(std::string_view section, std::string_view key,
                             std::string_view value) const {
    return platform::WritePrivateProfileString(section, key, value, m_file, kPassword);
}

bool SettingsFile::WriteTexts(std::string_view section,
                              const std::vector<platform::ProfileKeyValue>& values) const {
    return platform::WritePrivateProfileKeys(section, values, m_file, kPassword);
}

ServerAddress SettingsFile::ReadLoginServer() const {
    return {ReadText(ini::BASIC_INFO, ini::LOGIN_SERVER_IP, ini::DEFAULT_LOGIN_SERVER_IP,
                     ini::SERVER_IP_SIZE),
            ReadInt(ini::BASIC_INFO, ini::LOGIN_SERVER_PORT, ini::DEFAULT_LOGIN_SERVER_PORT)};
}

bool SettingsFile::NotificationsOn() const {
    return ReadInt(ini::BASIC_INFO, ini::NOTIFICATIONS, 1) != 0;
}

bool SettingsFile::SetNotificationsOn(bool on) const {
    return WriteText(ini::BASIC_INFO, ini::NOTIFICATIONS, on ? "1" : "0");
}
