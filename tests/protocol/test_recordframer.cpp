// The record framer on its own: what it asks for, what it keeps, and how every kind of record ends,
// whatever the pieces the bytes come in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/recordframer.h"

namespace {

constexpr char kGuardByte = '#';
constexpr std::size_t kGuard = 16;

// A framer over `capacity` bytes followed by guard bytes that must never change.
struct Framed {
    explicit Framed(int capacity)
        : bytes(static_cast<std::size_t>(capacity) + kGuard, kGuardByte),
          framer(std::span(bytes.data(), static_cast<std::size_t>(capacity))) {
        framer.Start();
    }
    bool GuardIntact() const {
        return std::string(bytes.end() - kGuard, bytes.end()) == std::string(kGuard, kGuardByte);
    }
    std::string Record() const {
        return std::string(framer.Data(), static_cast<std::size_t>(framer.Size()));
    }

    std::vector<char> bytes;
    RecordFramer framer;
};

// What a reader sees when it feeds a stream in pieces of `piece` bytes (0: all at once), taking
// each complete record and starting the next: the records, and the last status.
struct Outcome {
    std::vector<std::string> records;
    FrameStatus last;
    int size;
};

Outcome FeedInPieces(Framed& framed, const std::string& stream, std::size_t piece) {
    Outcome outcome{{}, FrameStatus::Incomplete, 0};
    std::size_t at = 0;
    while (at < stream.size()) {
        const std::size_t wanted = framed.framer.Space().size();
        if (wanted == 0) break;
        const std::size_t length =
            std::min({piece == 0 ? stream.size() : piece, wanted, stream.size() - at});
        outcome.last = framed.framer.Feed(std::span(stream.data() + at, length));
        at += length;
        if (outcome.last == FrameStatus::Complete) {
            outcome.records.push_back(framed.Record());
            framed.framer.Start();
        }
    }
    outcome.size = framed.framer.Size();
    return outcome;
}

const std::string kRecord = "ZNLA000000201006abcd";  // 20 bytes

}  // namespace

TEST(RecordFramer, EndsEveryKindOfRecordAsItsBytesSayWhateverThePieces) {
    struct Case {
        const char* what;
        std::string stream;
        int capacity;
        std::vector<std::string> records;
        FrameStatus last;  // the status of the last piece
        int size;          // bytes held at the end
    };
    const Case cases[] = {
        {"one record", kRecord, 100, {kRecord}, FrameStatus::Complete, 0},
        {"two records back to back",
         kRecord + kRecord,
         100,
         {kRecord, kRecord},
         FrameStatus::Complete,
         0},
        {"exactly the capacity", kRecord, 20, {kRecord}, FrameStatus::Complete, 0},
        {"one byte over the capacity", kRecord, 19, {}, FrameStatus::TooLong, 12},
        {"length of 12", "ZNLA00000012xxxx", 100, {}, FrameStatus::Incomplete, 12},
        {"length below 12", "ZNLA00000005xxxx", 100, {}, FrameStatus::Incomplete, 12},
        {"length not a number", "ZNLAabcdefghxxxx", 100, {}, FrameStatus::Incomplete, 12},
        {"prefix only", "ZNLA00000020", 100, {}, FrameStatus::Incomplete, 12},
        {"a record cut short", kRecord.substr(0, 15), 100, {}, FrameStatus::Incomplete, 15},
    };
    for (const Case& c : cases) {
        for (std::size_t piece = 0; piece <= c.stream.size(); ++piece) {
            Framed framed(c.capacity);
            const Outcome got = FeedInPieces(framed, c.stream, piece);
            EXPECT_EQ(got.records, c.records) << c.what << ", pieces of " << piece;
            EXPECT_EQ(got.last, c.last) << c.what << ", pieces of " << piece;
            EXPECT_EQ(got.size, c.size) << c.what << ", pieces of " << piece;
            EXPECT_TRUE(framed.GuardIntact()) << c.what << ", pieces of " << piece;
        }
    }
}

TEST(RecordFramer, AsksOnlyForTheBytesStillMissing) {
    Framed framed(100);
    EXPECT_EQ(framed.framer.Space().size(), 12u);
    EXPECT_EQ(framed.framer.Feed(std::span(kRecord.data(), 5)), FrameStatus::Incomplete);
    EXPECT_EQ(framed.framer.Space().size(), 7u);
    EXPECT_EQ(framed.framer.Space().data(), framed.bytes.data() + 5);
    EXPECT_EQ(framed.framer.Feed(std::span(kRecord.data() + 5, 7)), FrameStatus::Incomplete);
    EXPECT_EQ(framed.framer.Space().size(), 8u);
    // A piece longer than what is missing gives only the missing bytes to this record.
    const std::string rest = kRecord.substr(12) + "ZNLA";
    EXPECT_EQ(framed.framer.Feed(rest), FrameStatus::Complete);
    EXPECT_EQ(framed.Record(), kRecord);
    EXPECT_TRUE(framed.framer.Space().empty());
}

TEST(RecordFramer, APieceThatWouldStartARecordWithoutTheMagicIsDroppedWhole) {
    Framed framed(100);
    EXPECT_EQ(framed.framer.Feed(std::string("XNLA00000020")), FrameStatus::BadMagic);
    EXPECT_EQ(framed.framer.Size(), 0);
    EXPECT_EQ(framed.framer.Space().size(), 12u);
    // Only the record's first byte counts: a continuation starting with anything is kept.
    EXPECT_EQ(framed.framer.Feed(std::string("Z")), FrameStatus::Incomplete);
    EXPECT_EQ(framed.framer.Feed(std::string("XXX00000013")), FrameStatus::Incomplete);
    EXPECT_EQ(framed.framer.Feed(std::string("!")), FrameStatus::Complete);
    EXPECT_EQ(framed.Record(), "ZXXX00000013!");
}

TEST(RecordFramer, CommitTakesWhatWasWrittenInPlaceAndNeverMoreThanTheSpace) {
    Framed framed(20);
    std::span<char> space = framed.framer.Space();
    kRecord.copy(space.data(), space.size());
    EXPECT_EQ(framed.framer.Commit(0), FrameStatus::Incomplete);
    EXPECT_EQ(framed.framer.Commit(1000), FrameStatus::Incomplete);
    EXPECT_EQ(framed.framer.Size(), 12);
    space = framed.framer.Space();
    kRecord.copy(space.data(), space.size(), 12);
    EXPECT_EQ(framed.framer.Commit(static_cast<int>(space.size())), FrameStatus::Complete);
    EXPECT_EQ(framed.Record(), kRecord);
    EXPECT_TRUE(framed.GuardIntact());
}

TEST(RecordFramer, StartWithBytesAlreadyInGoesOnFromThem) {
    Framed framed(100);
    kRecord.copy(framed.bytes.data(), 14);
    framed.framer.Start(14);
    EXPECT_EQ(framed.framer.Space().size(), 6u);
    EXPECT_EQ(framed.framer.Feed(kRecord.substr(14)), FrameStatus::Complete);
    EXPECT_EQ(framed.Record(), kRecord);

    std::string("ZNLA00000200").copy(framed.bytes.data(), 12);
    framed.framer.Start(12);
    EXPECT_EQ(framed.framer.Status(), FrameStatus::TooLong);
    EXPECT_TRUE(framed.framer.Space().empty());
}
