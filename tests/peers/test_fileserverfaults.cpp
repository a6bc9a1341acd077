// The file server's fault switches, each seen on the wire by a sound minimal client.
#include <gtest/gtest.h>

#include "minireceiver.h"
#include "servicefixture.h"
#include "support/testfolder.h"

using namespace peertest;
using testsupport::WaitUntil;

namespace {

// One block of four sub-blocks: three of 100000 bytes and one of 50000.
const std::string kPhoto = PatternBytes(350000, 7);

class FileServerFaultTest : public ServiceTest {
protected:
    void StartWith(const znlservice::FileFaults& faults) {
        znlservice::ServiceSettings settings;
        settings.verbatimFiles = {{"f", "photo.jpg", kPhoto, ""}};
        settings.keepAliveMs = 0;
        settings.file = faults;
        StartService(settings);
    }
};

struct OrderCase {
    const char* name;
    std::set<int> omitted;
    znlservice::SubBlockOrder order;
    bool wrongBlockCheck;
    std::vector<long long> subBlocks;  // numbers in the order they arrive
    std::vector<std::string> checks;
};

}  // namespace

TEST_F(FileServerFaultTest, SubBlockFaultsStillDeliverTheFileIntact) {
    using Order = znlservice::SubBlockOrder;
    const std::string check1 = "ZNLA000000222003001004";
    const OrderCase cases[] = {
        {"omitted on the first pass",
         {2, 4},
         Order::InOrder,
         false,
         {1, 3, 2, 4},
         {check1, check1}},
        {"last first", {}, Order::LastFirst, false, {4, 1, 2, 3}, {check1}},
        {"twice", {}, Order::Twice, false, {1, 1, 2, 2, 3, 3, 4, 4}, {check1}},
        {"check for the wrong block",
         {},
         Order::InOrder,
         true,
         {1, 2, 3, 4, 1, 2, 3, 4},
         {"ZNLA000000222003002004", check1}},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        znlservice::FileFaults faults;
        faults.omitOnFirstPass = c.omitted;
        faults.order = c.order;
        faults.wrongBlockCheck = c.wrongBlockCheck;
        StartWith(faults);
        MiniReceiver client(service()->FilePort(), kCustomerNo);
        ASSERT_EQ(client.Greet().substr(16), "Y");
        ASSERT_TRUE(client.Receive(1));
        std::vector<long long> numbers;
        for (const SubBlockSeen& seen : client.subBlocks) numbers.push_back(seen.number);
        EXPECT_EQ(numbers, c.subBlocks);
        EXPECT_EQ(client.checks, c.checks);
        EXPECT_TRUE(client.files[0].data == kPhoto);
        EXPECT_EQ(client.files[0].endCount, 350000);
    }
}

TEST_F(FileServerFaultTest, DropsTheConnectionAfterTheGivenSubBlocksAndServesTheFileAgainLater) {
    znlservice::FileFaults faults;
    faults.dropAfterSubBlocks = 2;
    StartWith(faults);
    {
        MiniReceiver client(service()->FilePort(), kCustomerNo);
        ASSERT_EQ(client.Greet().substr(16), "Y");
        EXPECT_FALSE(client.Receive(1));
        EXPECT_EQ(client.subBlocks.size(), 2u);
    }
    ASSERT_TRUE(WaitUntil([&] { return service()->FileTransfers().size() == 1; }, 20000));
    EXPECT_FALSE(service()->FileTransfers()[0].delivered);

    service()->UpdateSettings(
        [](znlservice::ServiceSettings& s) { s.file.dropAfterSubBlocks = 0; });
    MiniReceiver again(service()->FilePort(), kCustomerNo);
    ASSERT_EQ(again.Greet().substr(16), "Y");
    ASSERT_TRUE(again.Receive(1));
    EXPECT_TRUE(again.files[0].data == kPhoto);
}

TEST_F(FileServerFaultTest, FileHeaderCarriesAnotherCustomerNumberAndARefusalSkipsTheFile) {
    znlservice::FileFaults faults;
    faults.headerCustomerNo = 99;
    StartWith(faults);
    MiniReceiver client(service()->FilePort(), kCustomerNo);
    client.decide = [](const ReceivedFile& file) {
        return std::pair<char, long long>(file.headerCustomerNo == kCustomerNo ? 'Y' : 'N', 0);
    };
    ASSERT_EQ(client.Greet().substr(16), "Y");
    ASSERT_TRUE(client.Receive(1));
    EXPECT_EQ(client.files[0].headerCustomerNo, 99);
    EXPECT_TRUE(client.subBlocks.empty());
    ASSERT_TRUE(WaitUntil([&] { return service()->FileTransfers().size() == 1; }, 20000));
    EXPECT_EQ(service()->FileTransfers()[0].headerAnswer, 'N');
}

TEST_F(FileServerFaultTest, TrickledRecordsStillFrameTheWholeTransfer) {
    znlservice::FileFaults faults;
    faults.trickle = {7000, 1};
    StartWith(faults);
    MiniReceiver client(service()->FilePort(), kCustomerNo);
    ASSERT_EQ(client.Greet(), "ZNLA000000171003Y");
    ASSERT_TRUE(client.Receive(1));
    EXPECT_TRUE(client.files[0].data == kPhoto);
}

TEST_F(FileServerFaultTest, GreetingFaults) {
    {
        SCOPED_TRACE("refused");
        znlservice::FileFaults faults;
        faults.refuseGreeting = true;
        StartWith(faults);
        MiniReceiver client(service()->FilePort(), kCustomerNo);
        EXPECT_EQ(client.Greet(), "ZNLA000000171003N");
        EXPECT_TRUE(client.Line().WaitClosed());
    }
    {
        SCOPED_TRACE("silent after the greeting");
        znlservice::FileFaults faults;
        faults.silentAfterGreeting = true;
        StartWith(faults);
        RawClient client(service()->FilePort());
        ASSERT_TRUE(client.Send(Record("ZNLR", 1003, Blanks(kCustomerNo, 10))));
        ASSERT_TRUE(WaitUntil([&] { return service()->ReceivedRecords().size() == 1; }, 20000));
        EXPECT_EQ(service()->ReceivedRecords()[0].bytes, "ZNLR000000261003      1234");
        EXPECT_TRUE(client.SilentFor(300));
    }
    {
        SCOPED_TRACE("a record longer than any buffer");
        znlservice::FileFaults faults;
        faults.oversizedRecord = true;
        StartWith(faults);
        MiniReceiver client(service()->FilePort(), kCustomerNo);
        ASSERT_EQ(client.Greet().substr(16), "Y");
        EXPECT_EQ(client.Line().ReadBytes(16), "ZNLA999999992001");
    }
}
