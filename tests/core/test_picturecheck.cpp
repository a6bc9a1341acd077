// The structure check of received JPEGs, on files put together marker by marker: what a whole photo
// looks like in its variants, and each way one can be cut or garbled; then the checker thread that
// runs it beside reception.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <vector>

#include "core/fsdeclare.h"
#include "core/picturecheck.h"
#include "core/picturechecker.h"
#include "support/jpegbytes.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::BaselineJpeg;
using testsupport::JpegSegment;
using testsupport::kJpegEnd;
using testsupport::kJpegStart;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

const std::string kCut = "끝 표시(EOI)가 없음: 파일이 잘렸습니다";

PictureVerdict FedInPiecesOf(const std::string& bytes, std::size_t piece) {
    JpegStructure structure;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        structure.Feed({data + at, std::min(piece, bytes.size() - at)});
    }
    return structure.Finish();
}

std::string WithoutEnd(const std::string& jpeg) {
    return jpeg.substr(0, jpeg.size() - 2);
}

}  // namespace

TEST(JpegStructure, WholePhotosAreSoundAndEachCutOrGarbleIsNamedWhicheverWayTheBytesCome) {
    const std::string baseline = BaselineJpeg();
    const std::string frame = JpegSegment(0xC2, std::string(9, '\x01'));
    const std::string scan = JpegSegment(0xDA, std::string(6, '\x00'));
    const struct {
        const char* what;
        std::string bytes;
        std::string reason;  // empty: sound
    } cases[] = {
        {"baseline", baseline, ""},
        {"stuffing, restarts and fill before the end",
         WithoutEnd(BaselineJpeg(std::string("\xAA\xFF\x00\xFF\xD0\xBB\xFF\xFF\xD7\xCC", 10))) +
             "\xFF\xFF" + kJpegEnd,
         ""},
        {"progressive: tables between scans",
         kJpegStart + frame + scan + "\x11\x22" + JpegSegment(0xC4, "tbl") + scan + "\x33" +
             kJpegEnd,
         ""},
        {"data appended after the end", baseline + "MPF preview bytes \xFF\xD8\xFF", ""},
        {"compressed data over many reads",
         WithoutEnd(BaselineJpeg(std::string(700000, 'e'))) + kJpegEnd, ""},
        {"empty", "", "빈 파일"},
        {"not a JPEG", "\x89PNG\r\n\x1A\n", "JPEG 시작 표시(SOI)가 없음"},
        {"cut in the compressed data", baseline.substr(0, baseline.size() - 4), kCut},
        {"cut before the last end byte", baseline.substr(0, baseline.size() - 1), kCut},
        {"cut inside a segment", baseline.substr(0, 30),
         "세그먼트 중간에서 끝남: 파일이 잘렸습니다"},
        {"a segment length that is too short",
         kJpegStart + std::string("\xFF\xDB\x00\x04", 4) + std::string(10, '\x01') + kJpegEnd,
         "세그먼트 사이에 알 수 없는 데이터 (위치 8)"},
        {"a segment length below its own size", kJpegStart + std::string("\xFF\xE1\x00\x01", 4),
         "세그먼트 길이 이상 (위치 5)"},
        {"a scan before any frame", kJpegStart + scan + "\x01" + kJpegEnd,
         "프레임 헤더(SOF) 없이 영상 데이터가 옴 (위치 3)"},
        {"an end with no picture", kJpegStart + frame + kJpegEnd,
         "영상 데이터 없이 끝 표시가 옴 (위치 16)"},
        {"a second start", kJpegStart + kJpegStart, "잘못된 표시 0xD8 (위치 3)"},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {c.bytes.size() + 1, std::size_t{1}, std::size_t{3}}) {
            const PictureVerdict verdict = FedInPiecesOf(c.bytes, piece);
            EXPECT_EQ(verdict.sound, c.reason.empty()) << c.what << ", pieces of " << piece;
            EXPECT_EQ(verdict.reason, c.reason) << c.what << ", pieces of " << piece;
        }
    }
}

TEST(JpegStructure, AFileIsReadWholeAndOnlyJpegNamesAreChecked) {
    TestFolder folder;
    const std::string big = WithoutEnd(BaselineJpeg(std::string(600000, '\x7F'))) + kJpegEnd;
    const struct {
        std::string bytes;
        bool sound;
    } files[] = {{big, true}, {big.substr(0, 400000), false}};
    for (const auto& f : files) {
        WriteFileBytes(folder.Path() / "p.jpg", f.bytes);
        const UniqueFd fd(::open((folder.Path() / "p.jpg").c_str(), O_RDONLY));
        ASSERT_TRUE(fd.Valid());
        EXPECT_EQ(CheckJpegFile(fd.Get()).sound, f.sound) << f.bytes.size();
    }
    for (const char* name : {"a.jpg", "B.JPEG", "앨범/c.Jpg"})
        EXPECT_TRUE(IsJpegName(name)) << name;
    for (const char* name : {"a.png", "a.jpg.txt", "jpg", "a.cr2", ""}) {
        EXPECT_FALSE(IsJpegName(name)) << name;
    }
}

namespace {

struct Told {
    PhotoPlace place;
    std::string path;
    StoredPhoto photo;
    PictureVerdict verdict;
};

}  // namespace

// Reception hands the checker photos and goes on; the verdicts come from the checker's thread with
// the very file that was read. The decode is asked for only what is whole in structure.
TEST(PictureChecker, ChecksJpegsOffTheCallersThreadAndDecodesOnlyWholeOnes) {
    TestFolder save;
    WriteFileBytes(save.Path() / "whole.jpg", BaselineJpeg());
    WriteFileBytes(save.Path() / "cut.jpg", BaselineJpeg().substr(0, 40));
    WriteFileBytes(save.Path() / "undecodable.jpg", BaselineJpeg("\x01"));
    WriteFileBytes(save.Path() / "raw.cr2", "not a JPEG at all");
    std::mutex mutex;
    std::vector<Told> told;
    std::vector<std::string> decoded;
    std::atomic<bool> offThread{true};
    const auto caller = std::this_thread::get_id();
    PictureChecker checker(
        [&](const std::string& path) -> std::optional<std::string> {
            const std::lock_guard lock(mutex);
            decoded.push_back(fs::path(path).filename().string());
            if (path.ends_with("undecodable.jpg")) return "Unsupported image format";
            return std::nullopt;
        },
        [&](const PhotoPlace& place, const std::string& path, const StoredPhoto& photo,
            const PictureVerdict& verdict) {
            if (std::this_thread::get_id() == caller) offThread = false;
            const std::lock_guard lock(mutex);
            told.push_back({place, path, photo, verdict});
        });
    for (const char* name : {"whole.jpg", "cut.jpg", "undecodable.jpg", "raw.cr2", "gone.jpg"}) {
        checker.Check({save.Path().string(), name}, (save.Path() / name).string());
    }
    ASSERT_TRUE(checker.WaitIdle(std::chrono::seconds(60)));

    const std::lock_guard lock(mutex);
    EXPECT_TRUE(offThread);
    EXPECT_EQ(decoded, (std::vector<std::string>{"whole.jpg", "undecodable.jpg"}));
    ASSERT_EQ(told.size(), 3u) << "a photo gone meanwhile, or not a JPEG, has no verdict";
    EXPECT_EQ(told[0].place.path, "whole.jpg");
    EXPECT_TRUE(told[0].verdict.sound);
    struct stat whole {};
    ASSERT_EQ(::stat((save.Path() / "whole.jpg").c_str(), &whole), 0);
    EXPECT_EQ(told[0].photo, (StoredPhoto{whole.st_size, whole.st_dev, whole.st_ino}));
    EXPECT_EQ(told[1].verdict.reason, "세그먼트 중간에서 끝남: 파일이 잘렸습니다");
    EXPECT_EQ(told[2].verdict.reason, "디코딩 실패: Unsupported image format");
}

// The end of a run does not wait for a long queue, and a muted checker tells nothing more.
TEST(PictureChecker, EndsWithoutCheckingWhatIsLeftAndTellsNothingOnceMuted) {
    TestFolder save;
    WriteFileBytes(save.Path() / "p.jpg", BaselineJpeg(std::string(2'000'000, 'x')));
    std::atomic<int> told{0};
    {
        PictureChecker checker({}, [&](const PhotoPlace&, const std::string&, const StoredPhoto&,
                                       const PictureVerdict&) { ++told; });
        checker.Mute();
        checker.Check({save.Path().string(), "p.jpg"}, (save.Path() / "p.jpg").string());
        ASSERT_TRUE(checker.WaitIdle(std::chrono::seconds(60)));
        EXPECT_EQ(told, 0);
    }
    {
        PictureChecker checker({}, [&](const PhotoPlace&, const std::string&, const StoredPhoto&,
                                       const PictureVerdict&) { ++told; });
        for (int i = 0; i < 5000; ++i) {
            checker.Check({save.Path().string(), "p.jpg"}, (save.Path() / "p.jpg").string());
        }
    }  // would take minutes if it checked all of them first
    EXPECT_LT(told, 5000);
}
