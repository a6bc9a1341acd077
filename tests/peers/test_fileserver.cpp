// The file server against a sound minimal client: a folder tree arrives intact, "R" resumes,
// "N" skips, delivered files are not offered again, keep-alives run both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "minireceiver.h"
#include "servicefixture.h"
#include "support/testfolder.h"

using namespace peertest;
using testsupport::WaitUntil;

namespace {

const std::string kPhotoFolder = "2019\\\xBB\xE7\xC1\xF8";  // 2019\사진 in CP949
constexpr std::size_t kTwoBlocks = 10100000 + 123456;

class FileServerTest : public ServiceTest {};

std::vector<znlservice::FileTransfer> WaitForTransfers(znlservice::ZnlService* service,
                                                       std::size_t count) {
    WaitUntil([&] { return service->FileTransfers().size() >= count; }, 20000);
    return service->FileTransfers();
}

}  // namespace

TEST_F(FileServerTest, PushesEveryFileOfATreeIntactAndKeepsTheIdleLineAlive) {
    testsupport::TestFolder tree;
    const std::filesystem::path photos = tree.Path() / "2019" / "사진";
    std::filesystem::create_directories(photos);
    const std::string big = PatternBytes(kTwoBlocks, 1);
    const std::string one = PatternBytes(100000, 2);
    const std::string top = PatternBytes(250, 3);
    testsupport::WriteFileBytes(tree.Path() / "2019" / "empty.dat", "");
    testsupport::WriteFileBytes(photos / "one.bin", one);
    testsupport::WriteFileBytes(photos / "photo.jpg", big);
    testsupport::WriteFileBytes(photos / "photo.jpg.companion", "01:촬영 메모\n");
    testsupport::WriteFileBytes(tree.Path() / "top.bin", top);
    znlservice::ServiceSettings settings;
    settings.folder = tree.Path();
    settings.keepAliveMs = 50;
    StartService(settings);

    MiniReceiver client(service()->FilePort(), kCustomerNo);
    client.keepAliveBeforeFirstSubBlockAnswer = true;
    const std::string greetingAnswer = client.Greet();
    EXPECT_EQ(greetingAnswer, std::string("ZNLA000000171003Y"));
    ASSERT_TRUE(client.Receive(4));

    ASSERT_EQ(client.files.size(), 4u);
    struct Expected {
        std::string folder, name, data, companion;
    };
    const Expected expected[] = {
        {"2019", "empty.dat", "", ""},
        {kPhotoFolder, "one.bin", one, ""},
        {kPhotoFolder, "photo.jpg", big, "01:\xC3\xD4\xBF\xB5 \xB8\xDE\xB8\xF0"},
        {"", "top.bin", top, ""}};
    for (std::size_t i = 0; i < 4; ++i) {
        const ReceivedFile& file = client.files[i];
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(file.headerCustomerNo, kCustomerNo);
        EXPECT_EQ(file.folder, expected[i].folder);
        EXPECT_EQ(file.name, expected[i].name);
        EXPECT_EQ(file.companion, expected[i].companion);
        EXPECT_EQ(file.size, static_cast<long long>(expected[i].data.size()));
        EXPECT_TRUE(file.data == expected[i].data);
        EXPECT_EQ(file.endCount, file.size);
    }
    // The two-block photo: 101 full sub-blocks, then a block of two, checks numbered 001 and 002.
    ASSERT_EQ(client.checks.size(), 4u);
    EXPECT_EQ(client.checks[1], "ZNLA000000222003001101");
    EXPECT_EQ(client.checks[2], "ZNLA000000222003002002");

    // After the last file the line idles with the service's keep-alives.
    EXPECT_EQ(client.Line().ReadRecord(), "ZNLA000000161006");
    const auto transfers = WaitForTransfers(service(), 4);
    EXPECT_TRUE(std::all_of(transfers.begin(), transfers.end(),
                            [](const auto& transfer) { return transfer.delivered; }));
    // The client's own keep-alive, crossing a sub-block, was taken and kept byte for byte.
    const auto records = service()->ReceivedRecords();
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const auto& record) {
        return record.bytes == "ZNLA000000171006 ";
    }));
}

TEST_F(FileServerTest, ResumesFromTheStoredSizeSkipsRefusedFilesAndOffersOnlyUndelivered) {
    const std::string photo = PatternBytes(350000, 4);
    const std::string note = PatternBytes(1000, 5);
    znlservice::ServiceSettings settings;
    settings.verbatimFiles = {{"a", "photo.jpg", photo, ""}, {"a", "note.txt", note, ""}};
    settings.keepAliveMs = 0;
    StartService(settings);

    {
        MiniReceiver client(service()->FilePort(), kCustomerNo);
        client.decide = [](const ReceivedFile& file) {
            return file.name == "photo.jpg" ? std::pair<char, long long>('R', 150000)
                                            : std::pair<char, long long>('N', 0);
        };
        ASSERT_EQ(client.Greet().substr(16), "Y");
        ASSERT_TRUE(client.Receive(2));
        EXPECT_TRUE(client.files[0].data == photo.substr(150000));
        EXPECT_EQ(client.files[0].endCount, 200000);
        EXPECT_EQ(client.subBlocks.size(), 2u);  // only the rest: 100000 and 100000 bytes
        EXPECT_TRUE(client.files[1].data.empty());
        EXPECT_TRUE(client.Line().SilentFor(200));  // nothing of the refused file follows
    }
    const auto first = WaitForTransfers(service(), 2);
    EXPECT_EQ(first[0].headerAnswer, 'R');
    EXPECT_EQ(first[0].storedSize, 150000);
    EXPECT_EQ(first[0].bytesSent, 200000);
    EXPECT_TRUE(first[0].delivered);
    EXPECT_EQ(first[1].headerAnswer, 'N');
    EXPECT_FALSE(first[1].delivered);

    MiniReceiver again(service()->FilePort(), kCustomerNo);
    ASSERT_EQ(again.Greet().substr(16), "Y");
    ASSERT_TRUE(again.Receive(1));
    ASSERT_EQ(again.files.size(), 1u);
    EXPECT_EQ(again.files[0].name, "note.txt");
    EXPECT_TRUE(again.files[0].data == note);
}

TEST_F(FileServerTest, AnIdleLinePushesFilesThatAppearLaterWhenRescanningAndTellsTheHeaderWait) {
    testsupport::TestFolder tree;
    const std::string early = PatternBytes(1000, 6);
    const std::string late = PatternBytes(150000, 7);
    testsupport::WriteFileBytes(tree.Path() / "early.jpg", early);
    std::mutex eventsMutex;
    std::vector<std::string> events;
    znlservice::ServiceSettings settings;
    settings.folder = tree.Path();
    settings.keepAliveMs = 0;
    settings.rescanMs = 20;
    settings.onEvent = [&](const std::string& event) {
        const std::lock_guard lock(eventsMutex);
        events.push_back(event);
    };
    StartService(settings);

    MiniReceiver client(service()->FilePort(), kCustomerNo);
    ASSERT_EQ(client.Greet().substr(16), "Y");
    ASSERT_TRUE(client.Receive(1));
    // Rescans that find nothing new stay silent.
    EXPECT_TRUE(client.Line().SilentFor(200));
    // Whole at once, as a rescan must not catch it half written.
    testsupport::TestFolder side;
    testsupport::WriteFileBytes(side.Path() / "late.jpg", late);
    std::filesystem::rename(side.Path() / "late.jpg", tree.Path() / "late.jpg");
    ASSERT_TRUE(client.Receive(1));
    ASSERT_EQ(client.files.size(), 2u);
    EXPECT_EQ(client.files[1].name, "late.jpg");
    EXPECT_TRUE(client.files[1].data == late);
    EXPECT_TRUE(client.Line().SilentFor(200));  // a delivered file is not offered again

    const std::lock_guard lock(eventsMutex);
    std::vector<std::string> kinds;
    for (const std::string& event : events) {
        const std::string kind = event.substr(0, event.find(' '));
        if (kind == "header-answer-us") {
            EXPECT_GE(std::stoll(event.substr(kind.size() + 1)), 0) << event;
        }
        kinds.push_back(kind == "file" ? event.substr(0, event.find(' ', 5)) : kind);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"greeting", "header-answer-us", "file delivered",
                                               "files-done", "header-answer-us", "file delivered",
                                               "files-done"}));
}

TEST_F(FileServerTest, RefusesAnUnknownCustomerAndClosesTheLine) {
    StartService();
    MiniReceiver client(service()->FilePort(), 999);
    EXPECT_EQ(client.Greet(), "ZNLA000000171003N");
    EXPECT_TRUE(client.Line().WaitClosed());
}

TEST_F(FileServerTest, StopEndsConnectionsInTheMiddleOfARecordAndOfAnAnswerWait) {
    znlservice::ServiceSettings settings;
    settings.verbatimFiles = {{"", "a.jpg", PatternBytes(1000, 6), ""}};
    StartService(settings);
    MiniReceiver waiting(service()->FilePort(), kCustomerNo);  // never answers the file header
    ASSERT_EQ(waiting.Greet().substr(16), "Y");
    ASSERT_EQ(CodeOf(waiting.Line().ReadRecord()), 2001);

    service()->UpdateSettings([](auto& s) { s.file.trickle = {1, 60000}; });
    RawClient trickled(service()->FilePort());
    ASSERT_TRUE(trickled.Send(Record("ZNLR", 1003, Blanks(kCustomerNo, 10))));
    EXPECT_EQ(trickled.ReadBytes(1), "Z");  // the rest would follow a minute apart

    service()->Stop();
    EXPECT_TRUE(waiting.Line().WaitClosed());
    EXPECT_TRUE(trickled.WaitClosed());
}
