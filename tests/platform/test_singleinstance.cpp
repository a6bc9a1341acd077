// One receiver per settings folder: a second claim on the same folder is refused and learns what
// holds it (a window is asked to show itself); other folders are free; the claim dies with its
// holder.
#include <gtest/gtest.h>

#include <memory>

#include "platform/singleinstance.h"
#include "support/testfolder.h"

using testsupport::TestFolder;
using testsupport::WaitUntil;

TEST(SingleInstance, ASecondClaimOnTheSameFolderIsRefusedAndToldWhatHoldsIt) {
    TestFolder settings, other;
    for (const ReceiverKind kind : {ReceiverKind::Window, ReceiverKind::Headless}) {
        SCOPED_TRACE(static_cast<char>(kind));
        int showRequests = 0;
        auto first = std::make_unique<SingleInstance>(settings.Path(), kind);
        first->OnShowRequested([&] { ++showRequests; });
        ASSERT_TRUE(first->Claim());

        // The holder answers from its event loop while the second start waits for the answer.
        SingleInstance second(settings.Path(), ReceiverKind::Headless);
        EXPECT_FALSE(second.Claim());
        ReceiverKind told = ReceiverKind::Unknown;
        std::thread asker([&] { told = SingleInstance(settings.Path(), kind).AskHolder(); });
        EXPECT_TRUE(WaitUntil([&] { return showRequests == 1; }));
        asker.join();
        EXPECT_EQ(told, kind);

        SingleInstance elsewhere(other.Path(), ReceiverKind::Window);
        EXPECT_TRUE(elsewhere.Claim());

        first.reset();
        SingleInstance after(settings.Path(), ReceiverKind::Window);
        EXPECT_TRUE(after.Claim());
    }
}

TEST(SingleInstance, AFolderThatDoesNotExistYetIsMadeAndClaimed) {
    TestFolder base;
    SingleInstance instance(base.Path() / "config" / "ZNLClient", ReceiverKind::Headless);
    EXPECT_TRUE(instance.Claim());
    EXPECT_TRUE(std::filesystem::is_directory(base.Path() / "config" / "ZNLClient"));
}
