#include "core/settings.h"

#include "platform/modulepath.h"
#include "platform/privateprofile.h"

std::string g_szModuleDir;
std::string g_szIniPath;

void InitPaths() {
    g_szModuleDir = platform::ExecutableDir().string();
    g_szIniPath = g_szModuleDir + "/FsIni.ini";
}

namespace ini {

std::string ReadText(std::string_view section, std::string_view key, std::string_view defaultValue,
                     size_t size) {
    return platform::GetPrivateProfileString(section, key, defaultValue, size, g_szIniPath);
}

int ReadInt(std::string_view section, std::string_view key, int defaultValue) {
    return platform::GetPrivateProfileInt(section, key, defaultValue, g_szIniPath);
}

bool WriteText(std::string_view section, std::string_view key, std::string_view value) {
    return platform::WritePrivateProfileString(section, key, value, g_szIniPath);
}

}  // namespace ini

ServerAddress ReadLoginServerSetting() {
    return {ini::ReadText(ini::BASIC_INFO, ini::LOGIN_SERVER_IP, ini::DEFAULT_LOGIN_SERVER_IP,
                          ini::SERVER_IP_SIZE),
            ini::ReadInt(ini::BASIC_INFO, ini::LOGIN_SERVER_PORT, ini::DEFAULT_LOGIN_SERVER_PORT)};
}
