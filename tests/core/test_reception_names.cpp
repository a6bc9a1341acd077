// Names from a hostile server and traps planted in the save folder: nothing is ever written
// outside it, whatever the header says.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "receptionrig.h"
#include "support/scriptedserver.h"

namespace fs = std::filesystem;
using namespace nettest;
using testsupport::ReadFileBytes;
using testsupport::ServerRecord;
using testsupport::WriteFileBytes;

namespace {

// Every path below `root` that is not below `except`, with the bytes of each file.
std::map<std::string, std::string> Contents(const fs::path& root, const fs::path& except) {
    std::map<std::string, std::string> found;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        if (it->path() == except) {
            it.disable_recursion_pending();
            continue;
        }
        found[it->path().string()] =
            it->is_regular_file() && !it->is_symlink() ? ReadFileBytes(it->path()) : "";
    }
    return found;
}

struct NameCase {
    const char* what;
    std::string folder;  // as sent: CP949, backslashes
    std::string name;
    char answer;               // 'N' refused, 'Y' new, 'R' resumed
    const char* landsAt = "";  // for an accepted one, below the save folder
    std::function<void(const fs::path& save, const fs::path& outside)> plant = nullptr;
};

}  // namespace

TEST(ReceptionNames, HostileNamesAndPlantedTrapsWriteNothingOutsideTheSaveFolder) {
    ReceptionRig rig;
    const fs::path outside = rig.scratch / "outside";
    fs::create_directory(outside);
    WriteFileBytes(outside / "target.jpg", "precious");
    const auto link = [](const char* name, fs::path to) {
        return [name, to](const fs::path& save, const fs::path& out) {
            fs::create_directory_symlink(out / to, save / name);
        };
    };
    const NameCase cases[] = {
        {"parent folder", "..", "x.jpg", 'N'},
        {"parent inside", "a\\..\\..", "x.jpg", 'N'},
        {"absolute", "\\outside", "x.jpg", 'N'},
        {"network share", "\\\\server\\share", "x.jpg", 'N'},
        {"drive", "C:\\outside", "x.jpg", 'N'},
        {"drive without separator", "c:outside", "x.jpg", 'N'},
        {"slash", "a/../../outside", "x.jpg", 'N'},
        {"empty part", "a\\\\b", "x.jpg", 'N'},
        {"trailing separator", "a\\", "x.jpg", 'N'},
        {"dot", ".", "x.jpg", 'N'},
        {"NUL in folder", std::string("a\0b", 3), "x.jpg", 'N'},
        {"empty name", "", "", 'N'},
        {"dot name", "", ".", 'N'},
        {"dot-dot name", "a", "..", 'N'},
        {"name with slash", "", "../outside/x.jpg", 'N'},
        {"name with backslash", "", "..\\x.jpg", 'N'},
        {"drive name", "", "C:x.jpg", 'N'},
        {"NUL in name", "", std::string("x\0/../../x.jpg", 14), 'N'},
        {"folder is a link out", "linked", "x.jpg", 'N', "", link("linked", ".")},
        {"deeper folder is a link out", "real\\linked", "x.jpg", 'N', "",
         [](const fs::path& save, const fs::path& out) {
             fs::create_directory(save / "real");
             fs::create_directory_symlink(out, save / "real/linked");
         }},
        {"name is a link out", "", "evil.jpg", 'N', "",
         [](const fs::path& save, const fs::path& out) {
             fs::create_symlink(out / "target.jpg", save / "evil.jpg");
         }},
        {"name is a dangling link", "", "dangling.jpg", 'N', "",
         [](const fs::path& save, const fs::path& out) {
             fs::create_symlink(out / "none.jpg", save / "dangling.jpg");
         }},
        {"name is a second name of a file outside", "", "hard.jpg", 'N', "",
         [](const fs::path& save, const fs::path& out) {
             fs::create_hard_link(out / "target.jpg", save / "hard.jpg");
         }},
        {"name is a FIFO", "", "fifo.jpg", 'N', "",
         [](const fs::path& save, const fs::path&) {
             ::mkfifo((save / "fifo.jpg").c_str(), 0600);
         }},
        {"name is a folder", "", "dir.jpg", 'N', "",
         [](const fs::path& save, const fs::path&) { fs::create_directory(save / "dir.jpg"); }},
        {"companion is a link out", "", "c.jpg", 'Y', "c.jpg",
         [](const fs::path& save, const fs::path& out) {
             fs::create_symlink(out / "target.jpg", save / "c.txt");
         }},
        {"existing file is resumed", "", "old.jpg", 'R', "old.jpg",
         [](const fs::path& save, const fs::path&) { WriteFileBytes(save / "old.jpg", "12345"); }},
        {"folder tags are removed", "01:2019\\01:Studio  ", "t.jpg  ", 'Y', "2019/Studio/t.jpg"},
        {"bytes that are not CP949", "\xFF", "a\x80.jpg", 'Y', "%FF/a%80.jpg"},
    };
    for (const NameCase& c : cases) {
        if (c.plant) c.plant(rig.save, outside);
    }
    const auto before = Contents(rig.scratch, rig.save);

    auto server = rig.Connect();
    ASSERT_TRUE(server);
    ASSERT_EQ(server->ReadRecord().substr(12, 4), "1003");
    server->Send(ServerRecord(1003, "Y"));
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string answer =
            server->Exchange(FileHeader(c.folder, c.name, c.answer == 'R' ? 5 : 0, "01:pwned"));
        ASSERT_EQ(answer.size(), 27u);
        EXPECT_EQ(answer[16], c.answer);
        if (c.answer == 'N') {
            EXPECT_EQ(answer.substr(17), std::string(10, '\0'));
            EXPECT_EQ(rig.LinesContaining("파일 수신 준비 오류! ["), 1);
            rig.lines.clear();
            continue;
        }
        EXPECT_TRUE(fs::is_regular_file(rig.save / c.landsAt));
        EXPECT_EQ(server->Exchange(FileEnd(0)), Answer(2004, "         0"));
    }
    EXPECT_EQ(Contents(rig.scratch, rig.save), before);
    EXPECT_EQ(ReadFileBytes(outside / "target.jpg"), "precious");
    EXPECT_FALSE(fs::exists(rig.scratch / "x.jpg"));
    EXPECT_EQ(ReadFileBytes(rig.save / "old.jpg"), "12345");
    EXPECT_FALSE(rig.Released());
}
