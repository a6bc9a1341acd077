// The block assembly against a file store: exact block check answers, what reaches the file, and
// records that do not fit the tables.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "memoryfilestore.h"
#include "protocol/blockassembly.h"
#include "support/patternbytes.h"

namespace {

std::string Numbers(int block, int k) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d%03d", block, k);
    return text;
}

class BlockAssemblyTest : public ::testing::Test {
protected:
    void SetUp() override {
        file.saveName = "block.jpg";
        file.fileSize = std::int64_t{1} << 40;  // room for every block of the tests
        ASSERT_FALSE(store.OpenFolder("", file.saveName).Failed());
        ASSERT_EQ(store.OpenFile({file.fileSize, file.fileSize}).storedSize, 0);
        file.isOpen = true;
    }

    // A sub-block record in a receive-sized buffer: header bytes, numbers, data.
    SubBlockFault Store(int block, int k, const std::string& data) {
        std::vector<char> record(100500, '\0');
        std::memcpy(record.data(), "ZNLA000000002002", 16);
        std::memcpy(record.data() + 16, Numbers(block, k).data(), 6);
        std::memcpy(record.data() + 22, data.data(), data.size());
        return blocks.StoreSubBlock(record.data(), static_cast<int>(22 + data.size()));
    }
    // The block check's answer body (from offset 16) and its outcome.
    std::string Check(int block, int count, BlockCheckResult* result = nullptr) {
        std::vector<char> record(100500, '\0');
        std::memcpy(record.data() + 16, Numbers(block, count).data(), 6);
        std::vector<char> answer(1000, '\0');
        const BlockCheckResult outcome =
            blocks.BlockCheck(record.data(), answer.data(), file, store);
        if (result) *result = outcome;
        return std::string(answer.data() + 16, static_cast<size_t>(outcome.answerLength - 16));
    }
    std::string OnDisk() const { return store.files.at("block.jpg"); }

    MemoryFileStore store;
    ReceiveFile file;
    std::vector<char> m_blockBuffer = std::vector<char>(BLOCK_BUFFER_SIZE);
    BlockAssembly blocks{m_blockBuffer};
};

}  // namespace

TEST_F(BlockAssemblyTest, CompleteBlockIsAnsweredYesAndAppendedOnce) {
    const std::string data = testsupport::PatternBytes(903000, 1);
    for (int k = 1; k <= 10; ++k) {
        ASSERT_EQ(Store(5, k, data.substr(static_cast<size_t>(k - 1) * 100000, 100000)),
                  SubBlockFault::None);
    }
    EXPECT_EQ(blocks.BlockBytes(), 903000);
    EXPECT_EQ(Check(5, 10), "Y000000");
    EXPECT_TRUE(OnDisk() == data);
    EXPECT_EQ(file.written, 903000);
    EXPECT_EQ(blocks.BlockBytes(), 0);
    // Cleared: the same check again finds everything missing.
    EXPECT_EQ(Check(5, 2), "N000002  1,  2,");
}

TEST_F(BlockAssemblyTest, MissingSubBlocksAreListedUntilTheyArriveInAnyOrder) {
    const std::string data = testsupport::PatternBytes(903000, 2);
    const auto piece = [&](int k) {
        return data.substr(static_cast<size_t>(k - 1) * 100000, 100000);
    };
    for (int k : {10, 1, 2, 4, 5, 6, 8, 9}) Store(5, k, piece(k));
    BlockCheckResult result{};
    EXPECT_EQ(Check(5, 10, &result), "N000002  3,  7,");
    EXPECT_EQ(result.answerLength, 31);
    EXPECT_EQ(result.outcome, BlockCheckResult::Outcome::Missing);
    EXPECT_EQ(OnDisk(), "");
    Store(5, 7, piece(7));
    Store(5, 3, piece(3));
    // A repeat raises the running count but reaches the file once.
    Store(5, 3, piece(3));
    EXPECT_EQ(blocks.BlockBytes(), 903000 + 100000);
    EXPECT_EQ(Check(5, 10), "Y000000");
    EXPECT_TRUE(OnDisk() == data);
}

TEST_F(BlockAssemblyTest, CheckForAnotherBlockKeepsWhatWasCollected) {
    Store(5, 1, "abc");
    BlockCheckResult result{};
    EXPECT_EQ(Check(6, 1, &result), "N005");
    EXPECT_EQ(result.outcome, BlockCheckResult::Outcome::OtherBlock);
    EXPECT_EQ(result.heldBlock, 5);
    EXPECT_EQ(result.checkedBlock, 6);
    EXPECT_EQ(Check(5, 1), "Y000000");
    EXPECT_EQ(OnDisk(), "abc");
}

TEST_F(BlockAssemblyTest, CheckOfNoSubBlocksWritesNothingAndClears) {
    Store(0, 1, "dropped");
    EXPECT_EQ(Check(0, 0), "Y000000");
    EXPECT_EQ(Check(0, 1), "N000001  1,");
    EXPECT_EQ(OnDisk(), "");
}

TEST_F(BlockAssemblyTest, ShortSubBlockBeforeTheLastLeavesNoGapInTheFile) {
    Store(1, 1, "first");
    Store(1, 2, std::string(100000, 'x'));
    Store(1, 3, "last");
    EXPECT_EQ(Check(1, 3), "Y000000");
    EXPECT_EQ(OnDisk(), "first" + std::string(100000, 'x') + "last");
}

TEST_F(BlockAssemblyTest, RecordsThatDoNotFitTheTablesChangeNothing) {
    Store(3, 1, "kept");
    EXPECT_EQ(Store(9, 0, "x"), SubBlockFault::Number);
    EXPECT_EQ(Store(9, 102, "x"), SubBlockFault::Number);
    EXPECT_EQ(Store(9, 1, std::string(100001, 'x')), SubBlockFault::Size);
    std::vector<char> cut(100500, '\0');
    std::memcpy(cut.data() + 16, "009001", 6);
    EXPECT_EQ(blocks.StoreSubBlock(cut.data(), 20), SubBlockFault::Size);
    for (int count : {102, 999, -1}) {
        BlockCheckResult result{};
        char numbers[8];
        std::snprintf(numbers, sizeof numbers, "%03d", count);
        std::vector<char> record(100500, '\0');
        std::memcpy(record.data() + 16, "003", 3);
        std::memcpy(record.data() + 19, numbers, 3);
        std::vector<char> answer(1000, '\0');
        result = blocks.BlockCheck(record.data(), answer.data(), file, store);
        EXPECT_EQ(result.outcome, BlockCheckResult::Outcome::BadCount) << count;
        EXPECT_EQ(std::string(answer.data() + 16, 2), std::string("N\0", 2)) << count;
    }
    EXPECT_EQ(Check(3, 1), "Y000000");
    EXPECT_EQ(OnDisk(), "kept");
}

TEST_F(BlockAssemblyTest, CompleteBlockWithNoFileOpenIsDropped) {
    store.Close();
    file.isOpen = false;
    Store(1, 1, "nowhere");
    BlockCheckResult result{};
    EXPECT_EQ(Check(1, 1, &result), "N000000");
    EXPECT_EQ(result.outcome, BlockCheckResult::Outcome::NoFile);
    EXPECT_EQ(OnDisk(), "");
    EXPECT_EQ(Check(1, 1), "N000001  1,");
}

TEST_F(BlockAssemblyTest, FailedWriteLeavesOnlyTheCompleteBlocks) {
    Store(1, 1, "whole");
    ASSERT_EQ(Check(1, 1), "Y000000");
    store.appendError = EIO;
    Store(2, 1, "lost");
    BlockCheckResult result{};
    EXPECT_EQ(Check(2, 1, &result), "N000000");
    EXPECT_EQ(result.outcome, BlockCheckResult::Outcome::WriteFailed);
    EXPECT_NE(result.error, 0);
    EXPECT_EQ(file.written, 5);
    EXPECT_EQ(OnDisk(), "whole");
}
