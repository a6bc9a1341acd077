#pragma once
// The photo save folder as the reception threads use it. A folder deleted while the client runs is
// made again, but only where it was: on the file system it was seen on. A save folder on a drive
// that went away (its mount point left empty, or gone) is never made on the bare mount point; it
// is "unusable" until the drive is back, and the connection that finds it so ends, so the server
// keeps the photos for a later one.
#include <sys/stat.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "core/fsdeclare.h"

// The devices the save folder was last seen on: its own and its parent folder's. They differ when
// the folder is the root of a mounted drive.
struct SaveFolderDevices {
    dev_t folder;
    dev_t parent;
};

struct SaveFolderOpen {
    UniqueFd folder;      // the save folder, or none
    std::string path;     // its path
    std::string problem;  // why it cannot be used, when it cannot
};

class SaveFolderGuard {
public:
    // stat: how a path's status is read (following links, as the user's folder may be one); a
    // test may hand in one that reports other devices.
    using StatFunction = std::function<int(const char* path, struct stat* status)>;
    explicit SaveFolderGuard(StatFunction stat = ::stat);

    std::string Get() const;
    // A new folder forgets the devices of the old one.
    void Set(std::string folder);
    // Opens the save folder, making it again when it was deleted from a file system that is still
    // there; the devices it was first seen on are kept for that. A folder never seen is not made:
    // the session makes it at its start.
    SaveFolderOpen Open();

private:
    // The look itself, with the devices seen so far; updates them when the folder is opened.
    SaveFolderOpen Look(const std::string& folder, std::optional<SaveFolderDevices>& seen) const;
    static SaveFolderOpen OpenExisting(const std::string& folder, const struct stat& status,
                                       const std::optional<struct stat>& parent,
                                       std::optional<SaveFolderDevices>& seen);
    SaveFolderOpen Remake(const std::string& folder, const std::optional<struct stat>& parent,
                          std::optional<SaveFolderDevices>& seen) const;

    StatFunction m_stat;
    std::mutex m_openMutex;
    mutable std::mutex m_mutex;  // the folder and its devices
    std::string m_folder;
    std::optional<SaveFolderDevices> m_seen;
};
