#pragma once
// The password of `--login`, from standard input: typed without echo at a terminal, or the first
// line of whatever is piped in.
#include <cstdio>
#include <optional>
#include <string>

std::optional<std::string> ReadPassword(std::FILE* in, std::FILE* prompt,
                                        const std::string& userId);
