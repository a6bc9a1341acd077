#include "support/automaticlogin.h"

#include <string>
#include <utility>

#include "platform/privateprofile.h"

namespace testsupport {

bool StoreAutomaticLogin(const std::filesystem::path& settingsFile, int loginPort) {
    for (const auto& [key, value] : {std::pair<const char*, std::string>{"자동로그인", "1"},
                                     {"아이디", "guest"},
                                     {"패스워드", "secret"},
                                     {"LoginServerIP", "127.0.0.1"},
                                     {"LoginServerPort", std::to_string(loginPort)}}) {
        if (!platform::WritePrivateProfileString("BasicInfo", key, value, settingsFile)) {
            return false;
        }
    }
    return true;
}

}  // namespace testsupport
