#pragma once
// The SHA-256 of a file as it is on disk, read through a descriptor so that a rename or a new file
// under the same name cannot change what is read.
#include <optional>
#include <string>

// Lowercase hex of the SHA-256 of the whole file behind `fd` (read with pread, from offset 0); no
// value when it cannot be read.
std::optional<std::string> Sha256OfFile(int fd);
