// The receive file store on a real folder, driven through the reception logic without a socket:
// number text, splitting, companion texts, resumption, files and folders that change under a
// transfer, names, and the photo save folder that goes away.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <climits>
#include <filesystem>

#include "core/fsdeclare.h"
#include "core/posixfilestore.h"
#include "protocol/receptionlogic.h"
#include "protocol/thousands.h"
#include "receptionrig.h"
#include "storeconnection.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

TEST(FileStoreText, FormatThousandsGroupsEveryThreeDigitsIncludingSixtyFourBitValues) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0"},
        {999, "999"},
        {-999, "-999"},
        {1000, "1,000"},
        {-1000, "-1,000"},
        {1234567, "1,234,567"},
        {2147483648LL, "2,147,483,648"},
        {9999999999LL, "9,999,999,999"},
        {INT64_MIN, "-9,223,372,036,854,775,808"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatThousands(value), text) << value;
}

TEST(FileStoreText, SplitStringKeepsEmptyPiecesAndGivesNothingForAnEmptyText) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"2019\\Studio", {"2019", "Studio"}},
        {"a\\", {"a", ""}},
        {"\\\\a", {"", "", "a"}},
    };
    std::vector<std::string> list{"left over"};
    for (const auto& [text, pieces] : cases) {
        SplitString(text, '\\', list);
        EXPECT_EQ(list, pieces) << text;
    }
}

namespace {

class FileStoreTest : public ::testing::Test {
protected:
    FileStoreTest() { fs::create_directory(save); }

    // Opens folder/name below the save folder as a file header would.
    bool Open(const std::string& folder, const std::string& name) {
        return !store.OpenFolder(folder, name).Failed() &&
               !store.OpenFile({INT64_MAX, INT64_MAX}).fault.Failed();
    }
    std::string Companion(const std::string& list) { return store.WriteCompanionText(list); }

    TestFolder m_root;
    const fs::path save = m_root.Path() / "save";
    SaveFolderGuard guard;
    PosixFileStore store{guard};
    int m_set = (guard.Set(save.string()), 0);
};

}  // namespace

TEST_F(FileStoreTest, CompanionTextIsTheLastTypeOneItemBesideThePhoto) {
    ASSERT_TRUE(Open("2019\\Studio", "a.jpg"));
    const fs::path text = save / "2019/Studio/a.txt";
    EXPECT_EQ(Companion("02:x,01:first,01:Hello"), "");
    EXPECT_EQ(ReadFileBytes(text), "Hello");
    Companion("02:only another type");
    EXPECT_EQ(ReadFileBytes(text), "Hello");
    // Its own companion is replaced: an item too short to carry text empties it.
    Companion("01");
    EXPECT_TRUE(fs::exists(text));
    EXPECT_EQ(fs::file_size(text), 0u);
    // The text ends at the first NUL byte of the record.
    Companion(std::string("01:\xBB\xE7\xC1\xF8\0,01:after", 15));
    EXPECT_EQ(ReadFileBytes(text), "사진");
    // Only the companion is left: no temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(save / "2019/Studio"), {}), 2);
}

TEST_F(FileStoreTest, CompanionNeverReplacesThePhotoAndShortNamesKeepTheirOwn) {
    ASSERT_TRUE(Open("", "note.txt"));
    WriteFileBytes(save / "note.txt", "photo bytes");
    Companion("01:text");
    EXPECT_EQ(ReadFileBytes(save / "note.txt"), "photo bytes");

    ASSERT_TRUE(Open("", "abc"));
    Companion("01:short");
    EXPECT_EQ(ReadFileBytes(save / "abc.txt"), "short");
    ASSERT_TRUE(Open("", "사진.jpeg"));
    Companion("01:cut");
    EXPECT_EQ(ReadFileBytes(save / "사진..txt"), "cut");
}

// A file under the companion's name that this client did not write is kept; the text goes beside
// it under a free name, and once there, the same text is not written again.
TEST_F(FileStoreTest, ACompanionNeverEmptiesAFileItDidNotWrite) {
    WriteFileBytes(save / "a.txt", "the customer's own notes");
    fs::create_symlink(m_root.Path() / "elsewhere", save / "b.txt");
    ASSERT_TRUE(Open("", "a.jpg"));
    EXPECT_EQ(
        Companion("01:hello"),
        "동반 텍스트 a.txt 은(는) 이 프로그램이 쓴 것이 아니어서 그대로 두고 a (1).txt 에 씀");
    EXPECT_EQ(ReadFileBytes(save / "a.txt"), "the customer's own notes");
    EXPECT_EQ(ReadFileBytes(save / "a (1).txt"), "hello");
    Companion("01:hello");
    Companion("01:changed");
    EXPECT_EQ(ReadFileBytes(save / "a (1).txt"), "changed");
    EXPECT_FALSE(fs::exists(save / "a (2).txt"));

    ASSERT_TRUE(Open("", "b.jpg"));
    EXPECT_NE(Companion("01:linked"), "");
    EXPECT_TRUE(fs::is_symlink(save / "b.txt"));
    EXPECT_FALSE(fs::exists(m_root.Path() / "elsewhere"));
    EXPECT_EQ(ReadFileBytes(save / "b (1).txt"), "linked");
    // A companion of another photo that happens to have the name is not ours either.
    ASSERT_TRUE(Open("", "b (1).jpg"));
    Companion("01:other photo");
    EXPECT_EQ(ReadFileBytes(save / "b (1).txt"), "linked");
    EXPECT_EQ(ReadFileBytes(save / "b (1) (1).txt"), "other photo");
}

TEST_F(FileStoreTest, ReopeningResumesAtTheStoredLengthAndAnUntouchedNewFileIsDiscarded) {
    ASSERT_TRUE(Open("", "new.jpg"));
    EXPECT_EQ(store.Info().storedSize, 0);
    EXPECT_TRUE(fs::exists(save / "new.jpg"));
    store.CloseOrDiscard();
    EXPECT_FALSE(fs::exists(save / "new.jpg"));

    WriteFileBytes(save / "old.jpg", std::string(512, 'o'));
    ASSERT_TRUE(Open("", "old.jpg"));
    EXPECT_EQ(store.Info().storedSize, 512);
    // A second opener is refused while the file is being received.
    PosixFileStore other(guard);
    ASSERT_FALSE(other.OpenFolder("", "old.jpg").Failed());
    EXPECT_EQ(other.OpenFile({INT64_MAX, INT64_MAX}).fault.kind, StoreFault::Kind::Refused);
    const std::string tail = "tail";
    const std::span<const char> piece(tail);
    ASSERT_EQ(store.Append(std::span(&piece, 1)), 0);
    EXPECT_FALSE(store.CheckFile().Failed());
    store.CloseOrDiscard();
    EXPECT_EQ(ReadFileBytes(save / "old.jpg"), std::string(512, 'o') + "tail");
}

// A block is written in several calls; whatever its pieces, the file gets them in order.
TEST_F(FileStoreTest, ABlockReachesTheFileWholeWhateverItsPieces) {
    const std::vector<std::vector<std::size_t>> layouts = {
        {3 * 1048576 + 100},                // one piece larger than a write call
        {614400, 614400, 614400, 614400},   // pieces that fill calls unevenly
        std::vector<std::size_t>(1500, 7),  // more pieces than one call may take
        {1, 65536, 1, 2 * 65536, 1},
        {0, 100000, 0, 0, 70000, 0},  // empty pieces, also first
    };
    for (std::size_t layout = 0; layout < layouts.size(); ++layout) {
        const std::string name = "block" + std::to_string(layout) + ".jpg";
        ASSERT_TRUE(Open("", name));
        std::string expected;
        std::vector<std::span<const char>> pieces;
        std::vector<std::string> texts;
        texts.reserve(layouts[layout].size());
        for (std::size_t size : layouts[layout]) {
            texts.emplace_back(size, static_cast<char>('a' + texts.size() % 26));
            expected += texts.back();
        }
        for (const std::string& text : texts) pieces.emplace_back(text);
        ASSERT_EQ(store.Append(pieces), 0) << layout;
        EXPECT_EQ(store.Info().written, static_cast<std::int64_t>(expected.size())) << layout;
        store.Close();
        EXPECT_EQ(ReadFileBytes(save / name), expected) << layout;
    }
}

// A stored file that cannot be the start of the photo, longer than the photo or than the "R"
// answer's ten digits can say, is kept under a free name and the photo starts afresh.
TEST_F(FileStoreTest, AStoredFileThatCannotBeThePhotosStartIsKeptAside) {
    WriteFileBytes(save / "big.jpg", std::string(300, 'x'));
    WriteFileBytes(save / "big (1).jpg", "taken");
    WriteFileBytes(save / "huge.jpg", "");
    fs::resize_file(save / "huge.jpg", 10'000'000'000ULL);  // sparse: eleven digits
    struct Case {
        const char* name;
        long long announced;
        const char* keptAs;
        std::uintmax_t keptSize;
    };
    const Case cases[] = {
        {"big.jpg", 100, "big (2).jpg", 300},
        {"huge.jpg", 20'000'000'000LL, "huge (1).jpg", 10'000'000'000ULL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoreConnection connection(guard);
        const RecordOutcome got = connection.Handle(nettest::FileHeader("", c.name, c.announced));
        EXPECT_EQ(std::string(got.answer.begin(), got.answer.end()), Accepted(0));
        EXPECT_TRUE(HasLine(got, std::string(c.keptAs) + " 로 옮기고 처음부터 받음"));
        EXPECT_EQ(fs::file_size(save / c.keptAs), c.keptSize);
        EXPECT_EQ(fs::file_size(save / c.name), 0u);
    }
    EXPECT_EQ(ReadFileBytes(save / "big (1).jpg"), "taken");
}

// Whatever happens to the file or a folder on its path while it is received, the photo is never
// claimed; the next connection receives it again from the start.
TEST_F(FileStoreTest, AFileThatLostItsPathIsNeverClaimedAndComesAgainFromTheStart) {
    const fs::path folder = save / "f";
    const fs::path file = folder / "a.jpg";
    struct Case {
        const char* what;
        std::function<void()> change;
        bool atFileEnd;
    };
    const Case cases[] = {
        {"file deleted", [&] { fs::remove(file); }, false},
        {"folder deleted", [&] { fs::remove_all(folder); }, true},
        {"file swapped",
         [&] {
             fs::rename(file, save / "moved.jpg");
             WriteFileBytes(file, "");
         },
         false},
        {"folder swapped",
         [&] {
             fs::rename(folder, save / "moved");
             fs::create_directory(folder);
         },
         true},
        {"save folder swapped",
         [&] {
             fs::rename(save, m_root.Path() / "moved");
             fs::create_directory(save);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            StoreConnection connection(guard);
            ASSERT_EQ(connection.Answer(nettest::FileHeader("f", "a.jpg", 6)), Accepted(0));
            connection.Handle(nettest::SubBlock(1, 1, "abc"));
            ASSERT_EQ(connection.Answer(nettest::BlockCheck(1, 1)),
                      nettest::Answer(2003, "Y000000"));
            if (!c.atFileEnd) c.change();
            connection.Handle(nettest::SubBlock(2, 1, "def"));
            RecordOutcome got = connection.Handle(nettest::BlockCheck(2, 1));
            if (c.atFileEnd) {
                ASSERT_EQ(std::string(got.answer.begin(), got.answer.end()),
                          nettest::Answer(2003, "Y000000"));
                c.change();
                got = connection.Handle(nettest::FileEnd(6));
            }
            EXPECT_TRUE(got.answer.empty());
            EXPECT_TRUE(got.endConnection);
            EXPECT_TRUE(HasLine(got, "수신 중인 파일이 사라짐!"));
            EXPECT_FALSE(HasLine(got, "파일 수신 완료!"));
        }
        StoreConnection next(guard);
        EXPECT_EQ(next.Answer(nettest::FileHeader("f", "a.jpg", 6)), Accepted(0));
        fs::remove_all(save);
        fs::remove_all(m_root.Path() / "moved");
        fs::remove(m_root.Path() / "moved.jpg");
        fs::create_directory(save);
    }
}

TEST_F(FileStoreTest, RefusedNamesSayWhyAndNamesThatAreNotCp949KeepApart) {
    fs::create_symlink(m_root.Path(), save / "link");
    fs::create_directory(save / "dir.jpg");
    const std::pair<std::pair<std::string, std::string>, const char*> refused[] = {
        {{"a\x01"
          "b",
          "x.jpg"},
         "안전하지 않은 이름: 제어 문자가 있는 이름"},
        {{"", "x\r\ny.jpg"}, "안전하지 않은 이름: 제어 문자가 있는 이름"},
        {{"", "x\x7F.jpg"}, "안전하지 않은 이름: 제어 문자가 있는 이름"},
        {{"..", "x.jpg"}, "안전하지 않은 이름: 상위/현재 폴더 이름"},
        {{"link", "x.jpg"}, "심볼릭 링크"},
        {{"", "dir.jpg"}, "일반 파일이 아님"},
        {{"", std::string(100, '\xFF')}, "이름이 너무 김"},
    };
    for (const auto& [header, reason] : refused) {
        SCOPED_TRACE(reason);
        StoreConnection connection(guard);
        const RecordOutcome got =
            connection.Handle(nettest::FileHeader(header.first, header.second, 1));
        EXPECT_EQ(std::string(got.answer.begin(), got.answer.end()),
                  nettest::Answer(2001, "N" + std::string(10, '\0')));
        EXPECT_TRUE(HasLine(got, reason));
        EXPECT_FALSE(got.endConnection);
    }
    // Two names that differ only in bytes that are no CP949 go to two files.
    StoreConnection connection(guard);
    const std::pair<std::string, const char*> names[] = {
        {"a\xFF.jpg", "a%FF.jpg"}, {"a\xFE.jpg", "a%FE.jpg"}, {"a%FF.jpg", "a%25FF.jpg"}};
    for (const auto& [name, onDisk] : names) {
        const long long size = static_cast<long long>(name.size());
        ASSERT_EQ(connection.Answer(nettest::FileHeader("", name, size)), Accepted(0)) << name;
        connection.Handle(nettest::SubBlock(1, 1, name));
        connection.Handle(nettest::BlockCheck(1, 1));
        EXPECT_TRUE(HasLine(connection.Handle(nettest::FileEnd(size)), "파일 수신 완료!"));
    }
    for (const auto& [name, onDisk] : names) EXPECT_EQ(ReadFileBytes(save / onDisk), name);
}

namespace {

// A save folder below a parent of its own, with a guard whose view of devices the test may bend.
class SaveFolderTest : public ::testing::Test {
protected:
    SaveFolderTest() {
        fs::create_directories(save);
        guard.Set(save.string());
    }
    struct Received {
        std::string answer;
        bool ends;
        std::vector<ReceptionReport> reports;
        bool fileMade;  // the file was in the save folder while the connection lasted
    };
    // What a connection makes of a header for a new file.
    Received Receive(const char* name = "p.jpg") {
        StoreConnection connection(guard);
        const RecordOutcome got = connection.Handle(nettest::FileHeader("", name, 0));
        return {std::string(got.answer.begin(), got.answer.end()), got.endConnection, got.reports,
                fs::exists(save / name)};
    }

    TestFolder m_root;
    const fs::path parent = m_root.Path() / "drive";
    const fs::path save = parent / "photos";
    // Devices reported for these paths instead of their own; none while empty.
    std::map<std::string, dev_t> fakeDevices;
    SaveFolderGuard guard{[this](const char* path, struct stat* status) {
        const int result = ::stat(path, status);
        const auto fake = fakeDevices.find(path);
        if (result == 0 && fake != fakeDevices.end()) status->st_dev = fake->second;
        return result;
    }};
};

template <typename Received>
void ExpectUnusable(const Received& got, const std::string& why) {
    EXPECT_EQ(got.answer, "");  // never "N": the server keeps the photo
    EXPECT_TRUE(got.ends);
    EXPECT_FALSE(got.fileMade);
    ASSERT_EQ(got.reports.size(), 1u);
    EXPECT_EQ(got.reports[0].kind, ReceptionReport::Kind::SaveFolderProblem);
    EXPECT_NE(got.reports[0].text.find(why), std::string::npos) << got.reports[0].text;
}

}  // namespace

TEST_F(SaveFolderTest, ASaveFolderDeletedFromAFileSystemStillThereIsMadeAgain) {
    ASSERT_EQ(Receive().answer, Accepted(0));
    fs::remove_all(save);
    const Received got = Receive("q.jpg");
    EXPECT_EQ(got.answer, Accepted(0));
    EXPECT_TRUE(got.fileMade);
}

TEST_F(SaveFolderTest, ASaveFolderOnADriveThatWentAwayIsNeverMadeOnTheMountPoint) {
    // Seen on a drive mounted at `parent`: folder and parent on one device, other than the
    // grandparent's.
    struct stat real {};
    ASSERT_EQ(::stat(parent.c_str(), &real), 0);
    const dev_t drive = real.st_dev + 1000;
    fakeDevices = {{save.string(), drive}, {parent.string(), drive}};
    ASSERT_EQ(Receive().answer, Accepted(0));
    // Unplugged: the mount point is an empty folder of the file system below.
    fs::remove_all(save);
    fakeDevices.clear();
    ExpectUnusable(Receive("q.jpg"), "드라이브가 분리되었거나 상위 폴더가 없음");
    EXPECT_FALSE(fs::exists(save));
    // Its mount point gone as well.
    fs::remove_all(parent);
    ExpectUnusable(Receive("q.jpg"), "드라이브가 분리되었거나 상위 폴더가 없음");
    EXPECT_FALSE(fs::exists(parent));
    // Back: the folder is there again, and so is the photo.
    fs::create_directories(save);
    fakeDevices = {{save.string(), drive}, {parent.string(), drive}};
    const Received back = Receive("q.jpg");
    EXPECT_EQ(back.answer, Accepted(0));
    EXPECT_TRUE(back.fileMade);
}

TEST_F(SaveFolderTest, ASaveFolderThatWasADrivesRootIsNotUsedAsABareMountPoint) {
    struct stat real {};
    ASSERT_EQ(::stat(save.c_str(), &real), 0);
    fakeDevices = {{save.string(), real.st_dev + 1000}};
    ASSERT_EQ(Receive().answer, Accepted(0));
    fakeDevices.clear();  // unmounted: the folder is now on its parent's file system
    ExpectUnusable(Receive("q.jpg"), "빈 연결 지점만 남음");
}

TEST_F(SaveFolderTest, ASaveFolderNeverSeenIsNotMadeAndANameThatCanNeverBeStoredIsStillRefused) {
    fs::remove_all(save);
    ExpectUnusable(Receive(), "폴더가 없음");
    EXPECT_FALSE(fs::exists(save));
    EXPECT_EQ(Receive("..").answer, nettest::Answer(2001, "N" + std::string(10, '\0')));
}

// The same with a real drive: a tmpfs mounted below the test's folder (root only).
TEST_F(SaveFolderTest, ARealUnmountedDriveLeavesItsMountPointAlone) {
    const fs::path mountPoint = m_root.Path() / "mnt";
    fs::create_directory(mountPoint);
    if (::mount("none", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    }
    SaveFolderGuard real;
    for (const fs::path& folder : {mountPoint, mountPoint / "photos"}) {
        SCOPED_TRACE(folder);
        fs::create_directories(folder);
        real.Set(folder.string());
        {
            StoreConnection connection(real);
            ASSERT_EQ(connection.Answer(nettest::FileHeader("", "a.jpg", 0)), Accepted(0));
        }
        ASSERT_EQ(::umount(mountPoint.c_str()), 0);
        StoreConnection connection(real);
        const RecordOutcome got = connection.Handle(nettest::FileHeader("", "b.jpg", 0));
        EXPECT_TRUE(got.answer.empty());
        EXPECT_TRUE(fs::is_empty(mountPoint));
        ASSERT_EQ(::mount("none", mountPoint.c_str(), "tmpfs", 0, "size=1m"), 0);
    }
    ::umount(mountPoint.c_str());
}
