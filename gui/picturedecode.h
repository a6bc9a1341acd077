#pragma once
// The decode of a photo's picture, for its check: Qt's image reader at a fraction of the picture's
// size, which still reads every block of the compressed data but skips most of the work.
#include <optional>
#include <string>

// Why the picture at `path` does not decode; nothing when it does.
std::optional<std::string> PictureDecodeProblem(const std::string& path);
