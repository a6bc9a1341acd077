#pragma once
// What the nickname dialog keeps of a typed nickname: what the settings file holds and gives back
// unchanged at the next start, and what the login request carries whole.
#include <cstddef>
#include <string>
#include <string_view>

#include "core/settings.h"
#include "protocol/loginrequest.h"

// The settings file is read back with room for this many CP949 bytes.
inline constexpr std::size_t NICKNAME_MAX_BYTES = ini::NICKNAME_SIZE - 1;
static_assert(NICKNAME_MAX_BYTES <= LOGIN_NICKNAME_MAX_BYTES);

// True when the text's CP949 form takes at most NICKNAME_MAX_BYTES.
bool NicknameFits(std::string_view utf8);
// The text as the settings file gives it back: characters CP949 cannot hold become '?', and the
// blanks around it go.
std::string StoredNickname(std::string_view utf8);
