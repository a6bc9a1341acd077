// The reception thread through a real client socket against a scripted file server: the bytes of
// every answer, the activity lines, resumption after drops, faults that end the connection, a full
// disk, and the end of the run during a transfer.
#include <gtest/gtest.h>

#include "support/testfolder.h"

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "core/windowmessages.h"
#include "platform/clock.h"
#include "receptionrig.h"
#include "support/scriptedserver.h"

namespace fs = std::filesystem;
using namespace nettest;
using testsupport::ReadFileBytes;
using testsupport::ServerRecord;
using testsupport::WriteFileBytes;

namespace {

constexpr size_t kSub = 100000;

// The greeting, then the server's "Y"; false when the greeting was not the expected one.
bool Greet(ServerEnd& server) {
    if (server.ReadRecord() != "ZNLR000000261003      4321") return false;
    server.Send(ServerRecord(1003, "Y"));
    return true;
}

std::unique_ptr<ServerEnd> ConnectAndGreet(ReceptionRig& rig) {
    auto server = rig.Connect();
    if (!server || !Greet(*server)) return nullptr;
    return server;
}

std::string Stored(long long size) {
    char text[16];
    std::snprintf(text, sizeof text, "%.10lld", size);
    return text;
}

}  // namespace

TEST(Reception, EveryAnswerCarriesItsExactBytesAndTheLinesSayWhatHappened) {
    ReceptionRig rig;
    auto server = ConnectAndGreet(rig);
    ASSERT_TRUE(server);
    const std::string photo = testsupport::PatternBytes(2 * kSub + 50000, 1);

    EXPECT_EQ(server->Exchange(FileHeader("01:2019\\Studio", "a.jpg", 250000, "02:x,01:Hello")),
              Answer(2001, "Y0000000000"));
    EXPECT_EQ(server->Exchange(SubBlock(1, 1, photo.substr(0, kSub))), Answer(2002, "Y"));
    EXPECT_EQ(server->Exchange(SubBlock(1, 3, photo.substr(2 * kSub))), Answer(2002, "Y"));
    EXPECT_EQ(server->Exchange(BlockCheck(1, 3)), Answer(2003, "N000001  2,"));
    EXPECT_EQ(server->Exchange(ServerRecord(2005, "001002" + photo.substr(kSub, kSub))),
              Answer(2005, "Y"));
    EXPECT_EQ(server->Exchange(BlockCheck(2, 3)), Answer(2003, "N001"));
    EXPECT_EQ(server->Exchange(BlockCheck(1, 3)), Answer(2003, "Y000000"));
    EXPECT_EQ(server->Exchange(FileEnd(250000)), Answer(2004, "    250000"));
    EXPECT_EQ(server->Exchange(ServerRecord(2999, "anything")), Answer(2999, "N"));

    EXPECT_TRUE(ReadFileBytes(rig.save / "2019/Studio/a.jpg") == photo);
    EXPECT_EQ(ReadFileBytes(rig.save / "2019/Studio/a.txt"), "Hello");
    const std::vector<std::string> expected = {
        "[파일 전송 서버][57] Process Thread Start!",
        "파일 수신 준비 완료! a.jpg[저장된사이즈:0][파일원본사이즈:250,000]",
        "수신 블럭 에러 1<->2",
        "파일 수신 완료! [250,000]a.jpg",
    };
    EXPECT_EQ(rig.lines, expected);
    ASSERT_GE(rig.progress.size(), 4u);
    EXPECT_EQ(rig.progress.front().kind, RECV_PROGRESS_ANNOUNCED);
    EXPECT_EQ(rig.progress.front().text, "파일명:a.jpg  사이즈:250,000");
    EXPECT_EQ(rig.progress[1].kind, RECV_PROGRESS_FILE_SIZE);
    EXPECT_EQ(rig.progress[1].count, LPARAM{250000});
    EXPECT_EQ(rig.progress[2].kind, RECV_PROGRESS_RECEIVING);
    EXPECT_EQ(rig.progress[2].count, LPARAM{100000});
    const ProgressReport& completed = rig.progress[rig.progress.size() - 2];
    EXPECT_EQ(completed.kind, RECV_PROGRESS_COMPLETE);
    EXPECT_EQ(completed.count, LPARAM{250000});
    EXPECT_EQ(rig.progress.back().kind, RECV_PROGRESS_STORED);
    EXPECT_EQ(rig.progress.back().text, "2019/Studio/a.jpg");

    server->Close();
    ASSERT_TRUE(rig.WaitForRelease());
    EXPECT_EQ(rig.states, (std::vector<LPARAM>{1, 0}));
    ASSERT_GE(rig.lines.size(), 2u);
    EXPECT_EQ(rig.lines[rig.lines.size() - 2],
              "[파일 전송 서버][57] 연결 종료: 서버가 연결을 끊었거나 응답이 없음");
    EXPECT_EQ(rig.lines.back(), "[파일 전송 서버][57] Process Thread Close!");
}

TEST(Reception, ResumedFileAnswersRWithItsSizeAndAnotherCustomerIsRefused) {
    ReceptionRig rig;
    WriteFileBytes(rig.save / "b.jpg", std::string(512, 'b'));
    auto server = ConnectAndGreet(rig);
    ASSERT_TRUE(server);

    EXPECT_EQ(server->Exchange(FileHeader("", "c.jpg", 10, "", 9999)),
              Answer(2001, "N" + std::string(10, '\0')));
    EXPECT_FALSE(fs::exists(rig.save / "c.jpg"));
    EXPECT_EQ(server->Exchange(FileHeader("", "b.jpg", 1024)), Answer(2001, "R" + Stored(512)));
    EXPECT_EQ(server->Exchange(SubBlock(1, 1, std::string(512, 'e'))), Answer(2002, "Y"));
    EXPECT_EQ(server->Exchange(BlockCheck(1, 1)), Answer(2003, "Y000000"));
    EXPECT_EQ(server->Exchange(FileEnd(512)), Answer(2004, "       512"));
    EXPECT_EQ(ReadFileBytes(rig.save / "b.jpg"), std::string(512, 'b') + std::string(512, 'e'));
    EXPECT_EQ(rig.LinesContaining("9999 != 4321 고객 고유번호 이상"), 1);
    EXPECT_EQ(
        rig.LinesContaining("파일 수신 준비 완료! b.jpg[저장된사이즈:512][파일원본사이즈:1,024]"),
        1);
    EXPECT_EQ(rig.LinesContaining("파일 수신 완료! [512]b.jpg"), 1);
    // Progress counts the stored part too, so it can be set against the announced size.
    const auto receiving = std::find_if(rig.progress.begin(), rig.progress.end(), [](auto& report) {
        return report.kind == RECV_PROGRESS_RECEIVING;
    });
    ASSERT_NE(receiving, rig.progress.end());
    EXPECT_EQ(receiving->count, LPARAM{1024});
}

TEST(Reception, SizesBeyondTwoGigabytesAreCountedWhole) {
    ReceptionRig rig;
    // A sparse file of three billion bytes stands for an earlier, interrupted transfer.
    constexpr long long kStored = 3'000'000'000LL;
    WriteFileBytes(rig.save / "huge.jpg", "");
    fs::resize_file(rig.save / "huge.jpg", static_cast<uintmax_t>(kStored));
    auto server = ConnectAndGreet(rig);
    ASSERT_TRUE(server);
    EXPECT_EQ(server->Exchange(FileHeader("", "huge.jpg", kStored + 100)),
              Answer(2001, "R3000000000"));
    server->Exchange(SubBlock(1, 1, std::string(100, 'h')));
    EXPECT_EQ(server->Exchange(BlockCheck(1, 1)), Answer(2003, "Y000000"));
    EXPECT_EQ(server->Exchange(FileEnd(100)), Answer(2004, "       100"));
    EXPECT_EQ(fs::file_size(rig.save / "huge.jpg"), static_cast<uintmax_t>(kStored + 100));
    EXPECT_EQ(
        rig.LinesContaining("huge.jpg[저장된사이즈:3,000,000,000][파일원본사이즈:3,000,000,100]"),
        1);
    EXPECT_EQ(rig.LinesContaining("파일 수신 완료! [100]huge.jpg"), 1);
}

TEST(Reception, CountsThatDoNotMakeTheWholeFileAreNeverClaimedComplete) {
    ReceptionRig rig;
    WriteFileBytes(rig.save / "big.jpg", std::string(300, 'x'));
    auto server = ConnectAndGreet(rig);
    ASSERT_TRUE(server);
    // A complete block with no file to go to, a file end after a refused header, a count other
    // than what was written, and a photo of which nothing came: none is a received photo. A local
    // file longer than the photo cannot be its start: it is kept aside and the photo starts anew.
    EXPECT_EQ(server->Exchange(BlockCheck(0, 0)), Answer(2003, "N000000"));
    EXPECT_EQ(rig.LinesContaining("수신 파일이 오픈되어 있지 않음! [블럭 0 버림]"), 1);
    server->Exchange(FileHeader("", "..", 0));
    EXPECT_EQ(server->Exchange(FileEnd(0)), Answer(2004, "         0"));
    server->Exchange(FileHeader("", "d.jpg", 4));
    server->Exchange(SubBlock(1, 1, "dddd"));
    server->Exchange(BlockCheck(1, 1));
    EXPECT_EQ(server->Exchange(FileEnd(5)), Answer(2004, "         4"));
    EXPECT_EQ(server->Exchange(FileHeader("", "big.jpg", 100)), Answer(2001, "Y0000000000"));
    EXPECT_EQ(server->Exchange(FileEnd(0)), Answer(2004, "         0"));
    EXPECT_EQ(rig.LinesContaining("완료!"), 2);  // the two "준비 완료" lines only
    EXPECT_EQ(rig.LinesContaining("파일 수신 사이즈 틀림! 5<->4"), 1);
    EXPECT_EQ(rig.LinesContaining("파일 수신 사이즈 틀림! 100<->0"), 1);
    EXPECT_EQ(ReadFileBytes(rig.save / "big (1).jpg"), std::string(300, 'x'));
    for (const ProgressReport& report : rig.progress) EXPECT_NE(report.kind, 2u);
}

TEST(Reception, FilesOfEveryShapeArriveWholeAcrossBlocks) {
    ReceptionRig rig;
    auto server = ConnectAndGreet(rig);
    ASSERT_TRUE(server);
    const size_t sizes[] = {0, 1, kSub, 101 * kSub, 2 * 101 * kSub + 12345};
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string name = "f" + std::to_string(size) + ".jpg";
        const std::string bytes = testsupport::PatternBytes(size, static_cast<unsigned>(size));
        ASSERT_EQ(server->Exchange(FileHeader("\xBD\xBA\xC6\xA9\xB5\xF0\xBF\xC0\\\xBE\xD9\xB9\xFC",
                                              name, static_cast<long long>(size), "01:memo")),
                  Answer(2001, "Y0000000000"));
        ASSERT_TRUE(SendFileBody(*server, bytes));
        EXPECT_TRUE(ReadFileBytes(rig.save / "스튜디오/앨범" / name) == bytes);
    }
    EXPECT_EQ(rig.LinesContaining("파일 수신 완료!"), 5);
}

// Each ends the connection: an activity line, the refusal with the record's own code, and no
// other file than the one being received is touched.
TEST(Reception, RecordsThatCannotBeHandledEndTheConnection) {
    struct Case {
        const char* what;
        bool openFirst;
        std::string record;
        std::string answer;
        const char* line;
        const char* reason;
    };
    const Case cases[] = {
        {"sub-block with no file", false, SubBlock(1, 1, "x"), Answer(2002, "N"),
         "수신 파일이 오픈되어 있지 않음!", "받는 파일 없이 서브블럭"},
        {"header while a file is open", true, FileHeader("", "other.jpg", 1), Answer(2001, "N"),
         "에러 수신 준비 파일 작업 있음!", "받는 중에 새 파일 헤더"},
        {"sub-block number 0", true, SubBlock(1, 0, "x"), Answer(2002, "N"),
         "수신 서브블럭 번호 오류! [0]", "잘못된 서브블럭"},
        {"sub-block number 102", true, SubBlock(1, 102, "x"), Answer(2002, "N"),
         "수신 서브블럭 번호 오류! [102]", "잘못된 서브블럭"},
        {"sub-block too long", true, SubBlock(1, 1, std::string(kSub + 1, 'x')), Answer(2002, "N"),
         "수신 서브블럭 크기 오류! [100001]", "잘못된 서브블럭"},
        {"count above 101", true, BlockCheck(0, 102), Answer(2003, "N"),
         "수신 서브블럭 수 오류! [102]", "잘못된 블럭 확인"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReceptionRig rig;
        auto server = ConnectAndGreet(rig);
        ASSERT_TRUE(server);
        if (c.openFirst) {
            ASSERT_EQ(server->Exchange(FileHeader("", "open.jpg", 10)),
                      Answer(2001, "Y0000000000"));
        }
        EXPECT_EQ(server->Exchange(c.record), c.answer);
        EXPECT_TRUE(rig.WaitForRelease());
        EXPECT_EQ(rig.LinesContaining(c.line), 1);
        // One line says why the connection ended.
        EXPECT_EQ(rig.LinesContaining(std::string("연결 종료: ") + c.reason), 1);
        EXPECT_FALSE(fs::exists(rig.save / "other.jpg"));
        // The file open at the end was new and is still empty: it is removed.
        EXPECT_FALSE(fs::exists(rig.save / "open.jpg"));
    }
}

TEST(Reception, IdleLineIsKeptAliveAndTheServersKeepAliveIsAnsweredAfterTheWait) {
    platform::SetTimeScaleForTests(0.01);
    ReceptionRig rig;
    auto server = ConnectAndGreet(rig);
    ASSERT_TRUE(server);
    // Silence, then the idle wait: the thread's own keep-alive, of which 17 bytes go out.
    EXPECT_EQ(server->ReadRecord(), Answer(1006, " "));
    EXPECT_EQ(server->Exchange(ServerRecord(1006, "")), Answer(1006, " "));
    // After a logout the next idle wait ends the thread without a keep-alive.
    rig.run->signedIn = false;
    EXPECT_TRUE(rig.WaitForRelease());
    EXPECT_TRUE(server->WaitForClose());
}

TEST(Reception, ConnectionDroppedMidBlockResumesFromTheCompleteBlocks) {
    ReceptionRig rig;
    const std::string photo = testsupport::PatternBytes(2 * 101 * kSub + 777, 7);
    auto server = ConnectAndGreet(rig);
    ASSERT_TRUE(server);
    ASSERT_EQ(server->Exchange(FileHeader("", "drop.jpg", static_cast<long long>(photo.size()))),
              Answer(2001, "Y0000000000"));
    for (int k = 1; k <= 101; ++k) {
        server->Exchange(SubBlock(1, k, photo.substr(static_cast<size_t>(k - 1) * kSub, kSub)));
    }
    ASSERT_EQ(server->Exchange(BlockCheck(1, 101)), Answer(2003, "Y000000"));
    for (int k = 1; k <= 40; ++k) {
        server->Exchange(SubBlock(2, k, photo.substr((100 + static_cast<size_t>(k)) * kSub, kSub)));
    }
    server->Send(SubBlock(2, 41, photo.substr(141 * kSub, kSub)).substr(0, 5000));
    server->Close();
    ASSERT_TRUE(rig.WaitForRelease());
    EXPECT_EQ(fs::file_size(rig.save / "drop.jpg"), 101 * kSub);

    server = ConnectAndGreet(rig);
    ASSERT_TRUE(server);
    ASSERT_EQ(server->Exchange(FileHeader("", "drop.jpg", static_cast<long long>(photo.size()))),
              Answer(2001, "R" + Stored(101 * kSub)));
    ASSERT_TRUE(SendFileBody(*server, photo.substr(101 * kSub)));
    EXPECT_TRUE(ReadFileBytes(rig.save / "drop.jpg") == photo);
}

// A server that drops the line at random points, again and again: inside the file header, between
// records or inside one; each connection goes on from what the client says it holds, and the last
// one sends the rest. Blocks of three sub-blocks keep the file small.
TEST(Reception, DropsAtRandomPointsLoseNothing) {
    ReceptionRig rig;
    const std::string photo = testsupport::PatternBytes(20 * kSub + 4321, 11);
    const fs::path onDisk = rig.save / "drops/r.jpg";
    const std::string header = FileHeader("drops", "r.jpg", static_cast<long long>(photo.size()));
    constexpr size_t kBlock = 3 * kSub;
    constexpr int kDrops = 50;
    std::mt19937 random(20240301);
    const auto below = [&](size_t bound) {
        return std::uniform_int_distribution<size_t>(0, bound - 1)(random);
    };
    for (int connection = 0; connection <= kDrops; ++connection) {
        SCOPED_TRACE(connection);
        const bool last = connection == kDrops;
        auto server = ConnectAndGreet(rig);
        ASSERT_TRUE(server);
        if (!last && below(8) == 0) {
            server->Send(header.substr(0, below(header.size())));
        } else {
            const std::string answer = server->Exchange(header);
            ASSERT_EQ(answer.size(), 27u);
            const size_t stored = static_cast<size_t>(std::stoll(answer.substr(17)));
            ASSERT_TRUE(stored % kBlock == 0 || stored == photo.size()) << stored;
            ASSERT_TRUE(photo.compare(0, stored, ReadFileBytes(onDisk)) == 0);
            // The rest of the file, record by record.
            std::vector<std::string> records;
            int block = 1;
            for (size_t offset = stored; offset < photo.size(); offset += kBlock, ++block) {
                const size_t end = std::min(offset + kBlock, photo.size());
                int count = 0;
                for (size_t start = offset; start < end; start += kSub) {
                    records.push_back(
                        SubBlock(block, ++count, photo.substr(start, std::min(kSub, end - start))));
                }
                records.push_back(BlockCheck(block, count));
            }
            records.push_back(FileEnd(static_cast<long long>(photo.size() - stored)));
            const size_t dropAt = last ? records.size() : below(records.size());
            for (size_t i = 0; i < records.size() && i < dropAt; ++i) server->Exchange(records[i]);
            if (!last) server->Send(records[dropAt].substr(0, below(records[dropAt].size())));
        }
        server->Close();
        ASSERT_TRUE(rig.WaitForRelease());
    }
    EXPECT_TRUE(ReadFileBytes(onDisk) == photo);
    EXPECT_GE(rig.LinesContaining("파일 수신 완료!"), 1);
    EXPECT_EQ(rig.Releases(), kDrops + 1);
}

namespace {

// A limit on the size of any file this process writes; writing past it fails with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_set = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        ::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Set() const { return m_set; }

private:
    rlimit m_old{};
    sighandler_t m_oldHandler;
    bool m_set = false;
};

}  // namespace

TEST(Reception, FailedWriteEndsTheConnectionWithCompleteBlocksOnDiskAndTheNextOneResumes) {
    ReceptionRig rig;
    const std::string photo = testsupport::PatternBytes(4 * kSub, 5);
    {
        FileSizeLimit limit(250000);
        ASSERT_TRUE(limit.Set());
        auto server = ConnectAndGreet(rig);
        ASSERT_TRUE(server);
        ASSERT_EQ(server->Exchange(FileHeader("full", "w.jpg", 4 * kSub)),
                  Answer(2001, "Y0000000000"));
        server->Exchange(SubBlock(1, 1, photo.substr(0, kSub)));
        server->Exchange(SubBlock(1, 2, photo.substr(kSub, kSub)));
        ASSERT_EQ(server->Exchange(BlockCheck(1, 2)), Answer(2003, "Y000000"));
        server->Exchange(SubBlock(2, 1, photo.substr(2 * kSub, kSub)));
        server->Exchange(SubBlock(2, 2, photo.substr(3 * kSub, kSub)));
        EXPECT_EQ(server->Exchange(BlockCheck(2, 2)), Answer(2003, "N000000"));
        EXPECT_TRUE(rig.WaitForRelease());
    }
    EXPECT_EQ(rig.LinesContaining("파일 쓰기 오류! [full\\w.jpg]"), 1);
    EXPECT_EQ(rig.LinesContaining("완료! ["), 0);
    EXPECT_TRUE(ReadFileBytes(rig.save / "full/w.jpg") == photo.substr(0, 2 * kSub));

    auto server = ConnectAndGreet(rig);
    ASSERT_TRUE(server);
    ASSERT_EQ(server->Exchange(FileHeader("full", "w.jpg", 4 * kSub)),
              Answer(2001, "R" + Stored(2 * kSub)));
    ASSERT_TRUE(SendFileBody(*server, photo.substr(2 * kSub)));
    EXPECT_TRUE(ReadFileBytes(rig.save / "full/w.jpg") == photo);
}

TEST(Reception, EndOfTheRunDuringATransferJoinsTheThread) {
    ReceptionRig rig;
    auto server = ConnectAndGreet(rig);
    ASSERT_TRUE(server);
    ASSERT_EQ(server->Exchange(FileHeader("", "cut.jpg", 101 * kSub)), Answer(2001, "Y0000000000"));
    server->Exchange(SubBlock(1, 1, std::string(kSub, 'c')));
    server->Send(SubBlock(1, 2, std::string(kSub, 'c')).substr(0, 30000));
    // The thread is inside a record; the form goes away without handling anything more.
    EXPECT_TRUE(rig.EndProcessNow());
    EXPECT_TRUE(rig.run->stop);
    // Only complete blocks are kept, and this new file had none.
    EXPECT_FALSE(fs::exists(rig.save / "cut.jpg"));
    EXPECT_TRUE(server->WaitForClose());
}
