// Whether a save folder belongs on a drive that is not there: mount points of the file systems
// table and folders below a removable-drive root, with nothing mounted and with a real mount.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <filesystem>

#include "core/missingdrive.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::TestFolder;

TEST(MissingDrive, AFolderOnAMountPointOrBelowARemovableRootWithNoDriveOnItIsTold) {
    TestFolder root;
    const fs::path base = root.Path();
    fs::create_directories(base / "data");
    fs::create_directories(base / "media/user");
    const DriveMountPlaces places{{base / "data", base / "gone"}, {base / "media"}};
    const std::pair<fs::path, fs::path> cases[] = {
        {base / "data/Photos", base / "data"},  // an empty mount point left on the disk below
        {base / "data", base / "data"},
        {base / "gone/Photos", base / "gone"},  // a mount point that is not there at all
        {base / "media/user/USB/Photos", base / "media/user"},  // the drive's folder is gone
        {base / "datasheet/Photos", {}},  // a name that only starts like a mount point
        {base / "home/Photos", {}},
        {base / "media", {}},  // the root itself is not on a drive
    };
    for (const auto& [folder, missing] : cases) {
        EXPECT_EQ(MissingDriveFor(folder, places), missing) << folder;
    }
}

// Needs the right to mount: runs as root, skipped elsewhere.
TEST(MissingDrive, AMountedDriveIsThere) {
    TestFolder root;
    const fs::path base = root.Path();
    fs::create_directories(base / "data");
    fs::create_directories(base / "media/user/USB");
    if (::mount("none", (base / "data").c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "no right to mount a tmpfs here";
    }
    ASSERT_EQ(::mount("none", (base / "media/user/USB").c_str(), "tmpfs", 0, "size=1m"), 0);
    const DriveMountPlaces places{{base / "data"}, {base / "media"}};
    EXPECT_EQ(MissingDriveFor(base / "data/Photos", places), fs::path());
    EXPECT_EQ(MissingDriveFor(base / "media/user/USB/Photos", places), fs::path());
    ::umount((base / "media/user/USB").c_str());
    ::umount((base / "data").c_str());
    EXPECT_EQ(MissingDriveFor(base / "media/user/USB/Photos", places), base / "media/user/USB");
}
