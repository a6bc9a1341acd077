// The reception thread against znl-service: whole catalogues byte for byte with their companion
// texts, the service's fault switches, and resumption after the service drops the line.
#include <gtest/gtest.h>

#include <filesystem>

#include "peers/znlservice.h"
#include "receptionrig.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using namespace nettest;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WaitUntil;
using testsupport::WriteFileBytes;

namespace {

constexpr size_t kSub = 100000;
constexpr size_t kBlock = 101 * kSub;
constexpr int kDeliveryLimitMs = 120000;

class ServiceReception : public ::testing::Test {
protected:
    // Starts the service on the files of `m_source` with its fault switches.
    void Start(const znlservice::FileFaults& faults = {}) {
        znlservice::ServiceSettings settings;
        settings.accounts.push_back({"guest", "secret", kCustomerNo, ""});
        settings.folder = m_source.Path();
        settings.file = faults;
        m_service = std::make_unique<znlservice::ZnlService>(settings);
        std::string error;
        ASSERT_TRUE(m_service->Start(&error)) << error;
    }
    void TearDown() override { StopService(); }
    // Stops the service and fails the test on every fault of the client it noticed.
    void StopService() {
        if (!m_service) return;
        m_service->Stop();
        for (const std::string& problem : m_service->Problems()) ADD_FAILURE() << problem;
        m_service.reset();
    }

    std::string AddSource(const std::string& path, size_t size, const std::string& companion = "") {
        const std::string bytes =
            testsupport::PatternBytes(size, static_cast<unsigned>(m_files.size() + 1));
        fs::create_directories((m_source.Path() / path).parent_path());
        WriteFileBytes(m_source.Path() / path, bytes);
        if (!companion.empty()) WriteFileBytes(m_source.Path() / (path + ".companion"), companion);
        m_files.emplace_back(path, bytes);
        return bytes;
    }
    int Delivered() const {
        int delivered = 0;
        for (const auto& transfer : m_service->FileTransfers()) delivered += transfer.delivered;
        return delivered;
    }
    // Every source file is in the save folder under the same path with the same bytes.
    void ExpectAllArrived(const fs::path& save) const {
        for (const auto& [path, bytes] : m_files) {
            EXPECT_TRUE(ReadFileBytes(save / path) == bytes) << path;
        }
    }

    TestFolder m_source;
    std::vector<std::pair<std::string, std::string>> m_files;
    std::unique_ptr<znlservice::ZnlService> m_service;
};

}  // namespace

TEST_F(ServiceReception, FilesOfEveryShapeArriveByteIdenticalWithTheirCompanionTexts) {
    AddSource("2024/스튜디오/빈 사진.jpg", 0, "01:빈 파일");
    AddSource("2024/스튜디오/한 바이트.jpg", 1);
    AddSource("2024/스튜디오/앨범/서브블럭.jpg", kSub, "02:x,01:설명 텍스트");
    AddSource("2024/앨범/블럭.jpg", kBlock);
    AddSource("여러 블럭/꼬리.jpg", 2 * kBlock + 12345, "01:");
    Start();
    ReceptionRig rig;
    ASSERT_TRUE(rig.ConnectTo(m_service->FilePort()));
    ASSERT_TRUE(WaitUntil([&] { return Delivered() == 5; }, kDeliveryLimitMs));

    ExpectAllArrived(rig.save);
    EXPECT_EQ(ReadFileBytes(rig.save / "2024/스튜디오/빈 사진.txt"), "빈 파일");
    EXPECT_EQ(ReadFileBytes(rig.save / "2024/스튜디오/앨범/서브블럭.txt"), "설명 텍스트");
    EXPECT_TRUE(fs::exists(rig.save / "여러 블럭/꼬리.txt"));
    EXPECT_EQ(fs::file_size(rig.save / "여러 블럭/꼬리.txt"), 0u);
    EXPECT_FALSE(fs::exists(rig.save / "2024/스튜디오/한 바이트.txt"));
    // The lines are posted to the session, which may take them after the server is answered.
    EXPECT_TRUE(WaitUntil([&] { return rig.LinesContaining("파일 수신 완료!") == 5; }));
}

TEST_F(ServiceReception, FaultsOfTheServiceStillGiveTheSameBytes) {
    struct Case {
        const char* what;
        znlservice::FileFaults faults;
    };
    std::vector<Case> cases(5);
    cases[0] = {"last sub-block first", {}};
    cases[0].faults.order = znlservice::SubBlockOrder::LastFirst;
    cases[1] = {"every sub-block twice", {}};
    cases[1].faults.order = znlservice::SubBlockOrder::Twice;
    cases[2] = {"sub-blocks left out of the first pass", {}};
    cases[2].faults.omitOnFirstPass = {1, 50, 101};
    cases[3] = {"first check names the next block", {}};
    cases[3].faults.wrongBlockCheck = true;
    cases[4] = {"records in small pieces", {}};
    cases[4].faults.trickle = {7000, 1};
    AddSource("faults/two blocks.jpg", kBlock + 250000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StopService();
        Start(c.faults);
        ReceptionRig rig;
        ASSERT_TRUE(rig.ConnectTo(m_service->FilePort()));
        ASSERT_TRUE(WaitUntil([&] { return Delivered() == 1; }, kDeliveryLimitMs));
        ExpectAllArrived(rig.save);
    }
}

TEST_F(ServiceReception, LineDroppedByTheServiceResumesOnTheNextConnection) {
    AddSource("resume.jpg", 2 * kBlock + 5);
    znlservice::FileFaults faults;
    faults.dropAfterSubBlocks = 150;
    Start(faults);
    ReceptionRig rig;
    ASSERT_TRUE(rig.ConnectTo(m_service->FilePort()));
    ASSERT_TRUE(rig.WaitForRelease(kDeliveryLimitMs));
    EXPECT_EQ(fs::file_size(rig.save / "resume.jpg"), kBlock);

    m_service->UpdateSettings(
        [](znlservice::ServiceSettings& s) { s.file.dropAfterSubBlocks = 0; });
    ASSERT_TRUE(rig.ConnectTo(m_service->FilePort()));
    ASSERT_TRUE(WaitUntil([&] { return Delivered() == 1; }, kDeliveryLimitMs));
    const auto transfers = m_service->FileTransfers();
    ASSERT_EQ(transfers.size(), 2u);
    EXPECT_EQ(transfers[1].headerAnswer, 'R');
    EXPECT_EQ(transfers[1].storedSize, static_cast<std::int64_t>(kBlock));
    ExpectAllArrived(rig.save);
}
