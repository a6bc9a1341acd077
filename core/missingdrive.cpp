#include "core/missingdrive.h"

#include <mntent.h>
#include <sys/stat.h>

#include <cstdio>
#include <optional>

namespace fs = std::filesystem;

namespace {

std::optional<dev_t> DeviceOf(const fs::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    return status.st_dev;
}

// Strictly below `place`.
bool IsWithin(const fs::path& path, const fs::path& place) {
    const fs::path relative = path.lexically_normal().lexically_relative(place.lexically_normal());
    return !relative.empty() && relative != "." && *relative.begin() != "..";
}

// The deepest of `folder` and the folders above it that exists.
fs::path DeepestExisting(fs::path folder) {
    std::error_code ignored;
    while (folder.has_relative_path() && !fs::exists(folder, ignored))
        folder = folder.parent_path();
    return folder;
}

}  // namespace

DriveMountPlaces DriveMountPlaces::OfSystem() {
    DriveMountPlaces places{{}, {"/media", "/run/media", "/mnt"}};
    if (std::FILE* table = ::setmntent("/etc/fstab", "r")) {
        while (const mntent* entry = ::getmntent(table)) {
            const fs::path point(entry->mnt_dir);
            if (point.is_absolute() && point != "/") places.mountPoints.push_back(point);
        }
        ::endmntent(table);
    }
    return places;
}

fs::path MissingDriveFor(const fs::path& folder, const DriveMountPlaces& places) {
    for (const fs::path& point : places.mountPoints) {
        if (folder != point && !IsWithin(folder, point)) continue;
        const std::optional<dev_t> device = DeviceOf(point);
        // A mount point on the same device as the folder above it has nothing mounted on it.
        if (!device || device == DeviceOf(point.parent_path())) return point;
    }
    for (const fs::path& root : places.removableRoots) {
        if (!IsWithin(folder, root)) continue;
        const std::optional<dev_t> rootDevice = DeviceOf(root);
        if (!rootDevice) continue;
        const fs::path deepest = DeepestExisting(folder);
        if (DeviceOf(deepest) == rootDevice) return deepest;
    }
    return {};
}
