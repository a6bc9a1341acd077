#pragma once
// A photo the client completed, as the delivery ledger knows it.
#include <cstdint>
#include <string>

// Where a photo lies: the save folder it was received into, and its path below that folder with
// "/" between the levels.
struct PhotoPlace {
    std::string saveFolder;
    std::string path;
    bool operator==(const PhotoPlace&) const = default;
};

// A completed photo as it was on disk when it was completed.
struct StoredPhoto {
    std::int64_t size = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const StoredPhoto&) const = default;
};
