#pragma once
// Whether a folder belongs on a drive that is not there now. A drive that is not mounted leaves its
// mount point as an empty folder of the disk below it (or no folder at all): a save folder made
// there would fill that disk, and its photos would vanish behind the drive when it comes back.
#include <filesystem>
#include <vector>

// Where drives are mounted on this system.
struct DriveMountPlaces {
    std::vector<std::filesystem::path> mountPoints;     // the file systems table's, "/" left out
    std::vector<std::filesystem::path> removableRoots;  // below which the desktop mounts drives

    // /etc/fstab's mount points; /media, /run/media and /mnt.
    static DriveMountPlaces OfSystem();
};

// The mount point, or the folder below a removable-drive root, that should hold `folder` but has
// no drive on it now; empty when `folder` is not on such a place or its drive is there.
std::filesystem::path MissingDriveFor(const std::filesystem::path& folder,
                                      const DriveMountPlaces& places);
