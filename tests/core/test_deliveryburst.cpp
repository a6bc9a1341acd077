// Photos that arrive close together make one delivery, told once with the folder that holds them
// all; a photo on its way keeps the delivery open however slow it is.
#include <gtest/gtest.h>

#include <vector>

#include "core/deliveryburst.h"

namespace {

using namespace std::chrono_literals;
using Clock = DeliveryBurst::Clock;
constexpr auto kQuiet = 4000ms;

}  // namespace

TEST(DeliveryBurst, EndsOnceAfterTheQuietPeriodWithTheCountAndTheCommonFolder) {
    const struct {
        std::vector<const char*> photos;
        const char* folder;
    } cases[] = {
        {{"/s/앨범/2026/a.jpg"}, "/s/앨범/2026"},
        {{"/s/앨범/2026/a.jpg", "/s/앨범/2026/b.jpg", "/s/앨범/2026/c.jpg"}, "/s/앨범/2026"},
        {{"/s/앨범/2026/a.jpg", "/s/앨범/2025/x/b.jpg"}, "/s/앨범"},
        {{"/s/앨범/2026/a.jpg", "/s/a.jpg"}, "/s"},
        // A common start of a name is no common folder.
        {{"/s/앨범1/a.jpg", "/s/앨범12/b.jpg"}, "/s"},
    };
    for (const auto& c : cases) {
        DeliveryBurst burst(kQuiet);
        Clock::time_point now{};
        for (const char* photo : c.photos) {
            burst.FileStarted();
            now += 3s;
            burst.FileStored(photo, now);
        }
        EXPECT_FALSE(burst.End(now + kQuiet - 1ms)) << c.folder;
        EXPECT_TRUE(burst.Open());
        const std::optional<Delivery> delivery = burst.End(now + kQuiet);
        ASSERT_TRUE(delivery) << c.folder;
        EXPECT_EQ(delivery->photos, static_cast<int>(c.photos.size()));
        EXPECT_EQ(delivery->folder, std::filesystem::path(c.folder));
        EXPECT_FALSE(burst.Open());
        EXPECT_FALSE(burst.End(now + 10 * kQuiet)) << "told twice: " << c.folder;
    }
}

TEST(DeliveryBurst, APhotoOnItsWayKeepsTheBurstOpenUntilItIsStoredOrLost) {
    DeliveryBurst burst(kQuiet);
    const Clock::time_point start{};
    burst.FileStarted();
    burst.FileStored("/s/a.jpg", start);
    burst.FileStarted();  // a large photo on a slow line
    EXPECT_FALSE(burst.EndsAt());
    EXPECT_FALSE(burst.End(start + 100 * kQuiet));
    burst.FileStored("/s/b.jpg", start + 100 * kQuiet);
    EXPECT_EQ(burst.EndsAt(), start + 101 * kQuiet);
    EXPECT_EQ(burst.End(start + 101 * kQuiet)->photos, 2);

    // The line ends in the middle of a photo: the photos before it are still told.
    burst.FileStarted();
    burst.FileStored("/s/c.jpg", start);
    burst.FileStarted();
    burst.FileAbandoned(start + 1s);
    EXPECT_FALSE(burst.End(start + 1s + kQuiet - 1ms));
    EXPECT_EQ(burst.End(start + 1s + kQuiet)->photos, 1);
}

TEST(DeliveryBurst, ABurstInWhichNoPhotoCompletedEndsUntold) {
    DeliveryBurst burst(kQuiet);
    burst.FileStarted();
    EXPECT_TRUE(burst.Open());
    burst.FileAbandoned(Clock::time_point{});
    EXPECT_FALSE(burst.End(Clock::time_point{} + kQuiet));
    EXPECT_FALSE(burst.Open());
}
