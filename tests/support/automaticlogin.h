#pragma once
// A settings file that signs in on its own, as a user's does once "자동로그인" is on.
#include <filesystem>

namespace testsupport {

// The account guest / secret, remembered for automatic login to the service on `loginPort`.
bool StoreAutomaticLogin(const std::filesystem::path& settingsFile, int loginPort);

}  // namespace testsupport
