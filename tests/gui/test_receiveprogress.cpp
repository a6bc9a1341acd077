// The share, rate and time left of the file being received, fed with counts at chosen moments;
// the photos of a run of receptions; and the texts the reception rows make of them.
#include <gtest/gtest.h>

#include "core/sessionstatus.h"
#include "gui/receiveprogress.h"
#include "gui/receptiontexts.h"

namespace {

using Clock = ReceiveProgress::Clock;

Clock::time_point At(int milliseconds) {
    return Clock::time_point{} + std::chrono::milliseconds(milliseconds);
}

}  // namespace

TEST(ReceiveProgress, FractionIsTheShareOfTheAnnouncedSizeOnHand) {
    const struct {
        std::int64_t size, onHand;
        bool complete;
        double fraction;
    } cases[] = {
        {1000, 0, false, 0.0},    {1000, 250, false, 0.25}, {1000, 1000, false, 1.0},
        {1000, 1500, false, 1.0},  // more than announced still reads as full, never beyond
        {0, 0, false, 0.0},        // an empty file not yet complete shows nothing
        {0, 0, true, 1.0},         // ... and fills once complete
        {-5, 10, false, 0.0},      // a size that makes no sense gives no share
        {1000, 10, true, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.size << "/" << c.onHand << "/" << c.complete);
        ReceiveProgress progress;
        progress.StartFile(c.size);
        progress.Update(At(0), c.onHand);
        if (c.complete) progress.Complete();
        EXPECT_DOUBLE_EQ(progress.Fraction(), c.fraction);
    }
}

TEST(ReceiveProgress, RateFollowsTheLastSecondAndSpansLongerGapsWhole) {
    ReceiveProgress progress;
    progress.StartFile(100'000'000);
    EXPECT_FALSE(progress.Rate());
    progress.Update(At(0), 0);
    EXPECT_FALSE(progress.Rate());  // one count says nothing about speed

    // Two seconds at 10,000 bytes a second, counted every 100 ms ...
    std::int64_t bytes = 0;
    int ms = 0;
    while (ms < 2000) progress.Update(At(ms += 100), bytes += 1000);
    ASSERT_TRUE(progress.Rate());
    EXPECT_NEAR(*progress.Rate(), 10'000.0, 1e-6);
    // ... then a second at 50,000: the slow part has left the window.
    while (ms < 3000) progress.Update(At(ms += 100), bytes += 5000);
    EXPECT_NEAR(*progress.Rate(), 50'000.0, 1e-6);
    // Half a second back at the slow speed: the window holds half of each.
    while (ms < 3500) progress.Update(At(ms += 100), bytes += 1000);
    EXPECT_NEAR(*progress.Rate(), 30'000.0, 1e-6);

    // A count after three silent seconds is set against the one before the gap.
    progress.Update(At(ms += 3000), bytes += 6000);
    EXPECT_NEAR(*progress.Rate(), 2'000.0, 1e-6);
    // Two counts at one moment give no rate of their own.
    ReceiveProgress sameMoment;
    sameMoment.StartFile(100);
    sameMoment.Update(At(5), 10);
    sameMoment.Update(At(5), 20);
    EXPECT_FALSE(sameMoment.Rate());
}

TEST(ReceiveProgress, ANewFileAResetOrACountGoingBackStartsOver) {
    ReceiveProgress progress;
    progress.StartFile(1000);
    progress.Update(At(0), 0);
    progress.Update(At(500), 800);
    ASSERT_TRUE(progress.Rate());

    progress.StartFile(500);
    EXPECT_DOUBLE_EQ(progress.Fraction(), 0.0);
    EXPECT_FALSE(progress.Rate());
    progress.Update(At(600), 100);
    EXPECT_FALSE(progress.Rate());  // nothing of the previous file counts
    EXPECT_DOUBLE_EQ(progress.Fraction(), 0.2);

    // The file started over: its speed is measured from the new count on, not as negative.
    progress.Update(At(700), 50);
    EXPECT_FALSE(progress.Rate());
    progress.Update(At(1200), 150);
    EXPECT_NEAR(*progress.Rate(), 200.0, 1e-9);

    progress.Reset();
    EXPECT_DOUBLE_EQ(progress.Fraction(), 0.0);
    EXPECT_FALSE(progress.Rate());
}

TEST(ReceiveProgress, AResumedFileShowsItsStoredPartButDoesNotCountItAsSpeed) {
    ReceiveProgress progress;
    progress.StartFile(1000);
    progress.Update(At(0), 900);  // the first count holds the 900 bytes stored before
    EXPECT_DOUBLE_EQ(progress.Fraction(), 0.9);
    EXPECT_FALSE(progress.Rate());
    progress.Update(At(500), 950);
    EXPECT_NEAR(*progress.Rate(), 100.0, 1e-9);
}

TEST(ReceiveProgress, TimeLeftIsTheRestOfTheAnnouncedSizeAtTheCurrentRate) {
    ReceiveProgress progress;
    progress.StartFile(10'000);
    progress.Update(At(0), 1000);
    EXPECT_FALSE(progress.SecondsLeft());  // no rate yet
    progress.Update(At(1000), 3000);       // 2,000 bytes a second, 7,000 to go
    ASSERT_TRUE(progress.SecondsLeft());
    EXPECT_NEAR(*progress.SecondsLeft(), 3.5, 1e-9);
    progress.Update(At(2000), 12'000);  // more than announced: nothing left, never negative
    EXPECT_NEAR(*progress.SecondsLeft(), 0.0, 1e-9);
    ReceiveProgress stalled;
    stalled.StartFile(100);
    stalled.Update(At(0), 50);
    stalled.Update(At(1000), 50);
    EXPECT_FALSE(stalled.SecondsLeft());  // no bytes moved: no end in sight to tell
}

TEST(ReceiveProgress, ACompleteFileStaysFullWithoutARate) {
    ReceiveProgress progress;
    progress.StartFile(1000);
    progress.Update(At(0), 100);
    progress.Update(At(100), 200);
    progress.Complete();
    EXPECT_DOUBLE_EQ(progress.Fraction(), 1.0);
    EXPECT_FALSE(progress.Rate());
    progress.Update(At(200), 300);  // a count that comes late changes nothing
    EXPECT_DOUBLE_EQ(progress.Fraction(), 1.0);
    EXPECT_FALSE(progress.Rate());
}

TEST(FormatRate, ReadsAsAPersonWouldSayIt) {
    const struct {
        double bytesPerSecond;
        const char* text;
    } cases[] = {
        {0, "0 B/s"},
        {-3, "0 B/s"},
        {512, "512 B/s"},
        {1023, "1023 B/s"},
        {1024, "1.0 KB/s"},
        {1536, "1.5 KB/s"},
        {3.2 * 1024 * 1024, "3.2 MB/s"},
        {99.94 * 1024, "99.9 KB/s"},
        {99.96 * 1024, "100 KB/s"},
        {150.0 * 1024, "150 KB/s"},
        {2.5 * 1024 * 1024 * 1024, "2.5 GB/s"},
        {5120.0 * 1024 * 1024 * 1024, "5120 GB/s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatRate(c.bytesPerSecond), c.text) << c.bytesPerSecond;
    }
}

TEST(ReceptionTexts, TimeLeftReadsAsAPersonWouldSayIt) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "남은 시간 0초"},          {-2, "남은 시간 0초"},
        {12.4, "남은 시간 12초"},      {59.6, "남은 시간 1분 0초"},
        {185, "남은 시간 3분 5초"},    {3599, "남은 시간 59분 59초"},
        {3600, "남은 시간 1시간 0분"}, {7830, "남은 시간 2시간 10분"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatTimeLeft(c.seconds), c.text) << c.seconds;
}

TEST(ReceptionTexts, AnAnnouncementSplitsIntoTheNameAndTheSize) {
    const struct {
        const char* text;
        const char* name;
        const char* size;
    } cases[] = {
        {"파일명:웨딩/신부 입장.jpg  사이즈:234,567", "웨딩/신부 입장.jpg", "사이즈: 234,567"},
        {"파일명:a  사이즈:b.jpg  사이즈:0", "a  사이즈:b.jpg", "사이즈: 0"},  // the last mark
        {"파일명:  사이즈:12", "", "사이즈: 12"},
        {"파일 수신 대기 완료!", "파일 수신 대기 완료!", ""},
        {"  사이즈:12 파일명:x", "  사이즈:12 파일명:x", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const AnnouncementParts parts = SplitAnnouncement(c.text);
        EXPECT_EQ(parts.name, c.name);
        EXPECT_EQ(parts.size, c.size);
    }
}

TEST(BurstText, CountsThePhotoOnItsWayAndThenTheCompletedOnes) {
    const struct {
        std::optional<PhotoCount> count;
        const char* text;
    } cases[] = {
        {std::nullopt, ""},
        {PhotoCount{0, true}, "사진 1장째 수신 중"},
        {PhotoCount{2, true}, "사진 3장째 수신 중"},
        {PhotoCount{2, false}, "사진 2장 수신 완료"},
        {PhotoCount{0, false}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(BurstText(c.count), c.text) << c.text;
}
