#pragma once
// What the benchmarks send: generated photo-sized files, and the plain TCP copy they are measured
// against.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

// Files named .jpg below `folder`, eight to a subfolder, until `totalBytes` are made (at least one
// file): each a copy of `photo`, or `fileBytes` random bytes when no photo is given.
std::vector<std::filesystem::path> MakeSourceFiles(const std::filesystem::path& folder,
                                                   std::size_t totalBytes, std::size_t fileBytes,
                                                   std::string_view photo = {});

// The bytes of every file written under the `folder` tree.
std::uintmax_t BytesBelow(const std::filesystem::path& folder);

// One loopback connection, each file as an 8-byte size then its bytes, written to files in
// `target` (which must exist); the seconds it took.
double PlainCopySeconds(const std::vector<std::filesystem::path>& files,
                        const std::filesystem::path& target);
