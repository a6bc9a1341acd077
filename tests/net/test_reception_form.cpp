// The whole road of a photo through the real form: automatic login to znl-service, the file-server
// connection and its reception thread, photos in the save folder; then the end of the run during
// a transfer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <filesystem>

#include "core/settings.h"
#include "core/clientsock.h"
#include "core/runstate.h"
#include "peers/znlservice.h"
#include "platform/clock.h"
#include "gui/messagebox.h"
#include "platform/privateprofile.h"
#include "support/testfolder.h"
#include "gui/ovrinview.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WaitUntil;
using testsupport::WriteFileBytes;

namespace {

constexpr int kLimitMs = 60000;

// Runs the login dialog, which logs in by itself; closes it should that not happen in time.
void RunAutomaticLogin(COvrinView& view) {
    QTimer watcher;
    QElapsedTimer elapsed;
    elapsed.start();
    QObject::connect(&watcher, &QTimer::timeout, &watcher, [&] {
        if (elapsed.elapsed() < kLimitMs) return;
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
    });
    watcher.start(10);
    view.RunLoginDialog();
}

}  // namespace

TEST(ReceptionForm, SignedInFormReceivesPhotosAndItsEndStopsATransferInProgress) {
    TestFolder module;
    TestFolder source;
    TestFolder save;
    g_bStop = 0;
    g_szModuleDir = module.Path().string();
    g_szIniPath = (module.Path() / "FsIni.ini").string();
    g_szSaveFolder.Set(save.Path().string());
    platform::SetTimeScaleForTests(0.1);
    SetMessageBoxHandlerForTests([](const QString&, const QString&) { return IDOK; });
    const std::string small(123456, 's');
    fs::create_directory(source.Path() / "1 첫째");
    fs::create_directory(source.Path() / "2 둘째");
    WriteFileBytes(source.Path() / "1 첫째/작은 사진.jpg", small);
    WriteFileBytes(source.Path() / "2 둘째/큰 사진.jpg", std::string(30'000'000, 'b'));

    znlservice::ServiceSettings settings;
    settings.accounts.push_back({"guest", "secret", 4321, ""});
    settings.folder = source.Path();
    // Slow enough that the large photo is still on its way when the run ends.
    settings.file.trickle = {20000, 2};
    znlservice::ZnlService service(settings);
    ASSERT_TRUE(service.Start());
    for (const auto& [key, value] : {std::pair<const char*, std::string>{"자동로그인", "1"},
                                     {"아이디", "guest"},
                                     {"패스워드", "secret"},
                                     {"LoginServerIP", "127.0.0.1"},
                                     {"LoginServerPort", std::to_string(service.LoginPort())}}) {
        ASSERT_TRUE(platform::WritePrivateProfileString("BasicInfo", key, value, g_szIniPath));
    }

    auto view = std::make_unique<COvrinView>();
    g_hViewWnd = view->GetSafeHwnd();  // as the initial update does
    view->ReadLoginServerInfo();
    RunAutomaticLogin(*view);
    ASSERT_EQ(view->Account().loginOk, 1);
    ASSERT_TRUE(WaitUntil(
        [&] { return ReadFileBytes(save.Path() / "1 첫째/작은 사진.jpg") == small; }, kLimitMs));
    ASSERT_TRUE(
        WaitUntil([&] { return fs::exists(save.Path() / "2 둘째/큰 사진.jpg"); }, kLimitMs));

    // The form's end: every thread wakes, ends and gives its slot back, then the form goes.
    const int slot = view->Account().fileSlot;
    ASSERT_NE(view->Socket(slot), nullptr);
    view->OnDestroy();
    EXPECT_TRUE(WaitUntil([&] { return view->Socket(slot) == nullptr; }, kLimitMs));
    view.reset();
    // Of the photo cut short only whole blocks are kept, and none at all leaves no file.
    const fs::path cut = save.Path() / "2 둘째/큰 사진.jpg";
    EXPECT_EQ(fs::exists(cut) ? fs::file_size(cut) % 10'100'000 : 0u, 0u);

    service.Stop();
    SetMessageBoxHandlerForTests(nullptr);
    platform::SetTimeScaleForTests(1.0);
    g_szSaveFolder.Set("");
    g_hViewWnd = HWND::Null;
    g_bStop = 0;
}
