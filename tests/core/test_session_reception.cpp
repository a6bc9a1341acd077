// The whole road of a photo through the real form: automatic login to znl-service, the file-server
// connection and its reception thread, photos in the save folder; then the end of the run during
// a transfer.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "core/clientsession.h"
#include "core/clientsock.h"
#include "core/deliveryledger.h"
#include "core/sessionstatus.h"
#include "core/settings.h"
#include "peers/znlservice.h"
#include "platform/clock.h"
#include "platform/privateprofile.h"
#include "support/automaticlogin.h"
#include "support/jpegbytes.h"
#include "support/ledgerfixture.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::StoreAutomaticLogin;
using testsupport::TestFolder;
using testsupport::WaitUntil;
using testsupport::WriteFileBytes;

namespace {

constexpr int kLimitMs = 60000;

// Signs in with what the settings file remembers, as a face without a dialog does.
void SignInWithStoredAccount(ClientSession& session) {
    QObject::connect(&session, &ClientSession::signInRequested, &session,
                     [&session](const SignInPrefill& prefill) {
                         session.SignIn(prefill.userId, prefill.password, prefill.autoLogin);
                     });
    session.RequestSignIn();
}

}  // namespace

// A save folder that cannot be used is waited for: the photos are never refused, the activity
// list says why once, and they arrive once the folder is there.
TEST(ReceptionSession, PhotosWaitForAnUnusableSaveFolderAndArriveWhenItIsBack) {
    TestFolder module;
    TestFolder source;
    TestFolder root;
    const ProgramFolders folders = ProgramFolders::At(module.Path());
    platform::SetTimeScaleForTests(0.1);
    WriteFileBytes(source.Path() / "a.jpg", "photo");
    std::atomic<int> refused{0};
    znlservice::ServiceSettings settings;
    settings.accounts.push_back({"guest", "secret", 4321, ""});
    settings.folder = source.Path();
    settings.onEvent = [&](const std::string& line) {
        if (line.find("file refused") != std::string::npos) ++refused;
    };
    znlservice::ZnlService service(settings);
    ASSERT_TRUE(service.Start());
    ASSERT_TRUE(StoreAutomaticLogin(folders.settingsFile, service.LoginPort()));
    ClientSession session(folders);
    QStringList lines;
    QObject::connect(&session, &ClientSession::activityLine,
                     [&](const QString& line) { lines << line; });
    const fs::path save = root.Path() / "drive/photos";  // not there yet
    session.SetSaveFolder(save.string());
    session.ReadLoginServerInfo();
    SignInWithStoredAccount(session);
    const auto endsFor = [&] {
        return lines.filter(QStringLiteral("연결 종료: 사진 저장 폴더를 쓸 수 없음")).size();
    };
    ASSERT_TRUE(WaitUntil([&] { return endsFor() >= 3; }, kLimitMs))
        << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("사진 저장 폴더를 쓸 수 없음: ")).size(), 1)
        << lines.join(u'\n').toStdString();
    fs::create_directories(save);
    ASSERT_TRUE(WaitUntil([&] { return ReadFileBytes(save / "a.jpg") == "photo"; }, kLimitMs));
    EXPECT_EQ(refused, 0);
    session.Stop();
    service.Stop();
    platform::SetTimeScaleForTests(1.0);
}

TEST(ReceptionSession, ASignedInSessionReceivesPhotosAndItsEndStopsATransferInProgress) {
    TestFolder module;
    TestFolder source;
    TestFolder save;
    const ProgramFolders folders = ProgramFolders::At(module.Path());
    platform::SetTimeScaleForTests(0.1);
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
    ASSERT_TRUE(StoreAutomaticLogin(folders.settingsFile, service.LoginPort()));

    auto session = std::make_unique<ClientSession>(folders);
    session->SetSaveFolder(save.Path().string());
    session->ReadLoginServerInfo();
    SignInWithStoredAccount(*session);
    ASSERT_TRUE(WaitUntil([&] { return session->SignedIn(); }, kLimitMs));
    ASSERT_TRUE(WaitUntil(
        [&] { return ReadFileBytes(save.Path() / "1 첫째/작은 사진.jpg") == small; }, kLimitMs));
    ASSERT_TRUE(
        WaitUntil([&] { return fs::exists(save.Path() / "2 둘째/큰 사진.jpg"); }, kLimitMs));

    // The end of the run: every thread wakes, ends and gives its slot back, then the session goes.
    const int slot = session->Account().fileSlot;
    ASSERT_NE(session->Socket(slot), nullptr);
    session->Stop();
    EXPECT_TRUE(WaitUntil([&] { return session->Socket(slot) == nullptr; }, kLimitMs));
    session.reset();
    // Of the photo cut short only whole blocks are kept, and none at all leaves no file.
    const fs::path cut = save.Path() / "2 둘째/큰 사진.jpg";
    EXPECT_EQ(fs::exists(cut) ? fs::file_size(cut) % 10'100'000 : 0u, 0u);

    service.Stop();
    platform::SetTimeScaleForTests(1.0);
}

// Dozens of photos are one delivery, told once; the state follows the server as it goes away and
// comes back. Real time: the burst's quiet period is what is tested.
TEST(ReceptionSession, ADeliveryOfDozensOfPhotosIsToldOnceAndTheStateFollowsTheServer) {
    TestFolder module;
    TestFolder source;
    TestFolder save;
    const ProgramFolders folders = ProgramFolders::At(module.Path());
    constexpr int kPhotos = 36;
    fs::create_directories(source.Path() / "앨범/2026/보정");
    for (int i = 0; i < kPhotos - 1; ++i) {
        WriteFileBytes(source.Path() / ("앨범/2026/" + std::to_string(i) + ".jpg"), "photo");
    }
    WriteFileBytes(source.Path() / "앨범/2026/보정/last.jpg", "photo");
    znlservice::ServiceSettings settings;
    settings.accounts.push_back({"guest", "secret", 4321, ""});
    settings.folder = source.Path();
    auto service = std::make_unique<znlservice::ZnlService>(settings);
    ASSERT_TRUE(service->Start());
    ASSERT_TRUE(StoreAutomaticLogin(folders.settingsFile, service->LoginPort()));
    ClientSession session(folders);
    SessionStatus status(session);
    QList<Delivery> deliveries;
    QObject::connect(&status, &SessionStatus::deliveryEnded,
                     [&](const Delivery& delivery) { deliveries << delivery; });
    session.SetSaveFolder(save.Path().string());
    session.ReadLoginServerInfo();
    SignInWithStoredAccount(session);

    ASSERT_TRUE(WaitUntil([&] { return !deliveries.isEmpty(); }, kLimitMs));
    EXPECT_EQ(deliveries.size(), 1);
    EXPECT_EQ(deliveries[0].photos, kPhotos);
    EXPECT_EQ(status.FolderText(deliveries[0]), "앨범/2026");
    EXPECT_EQ(status.State(), SessionState::Idle);

    // The server goes away, and comes back on the same ports.
    settings.loginPort = service->LoginPort();
    settings.filePort = service->FilePort();
    service->Stop();
    ASSERT_TRUE(WaitUntil([&] { return status.State() == SessionState::Waiting; }, kLimitMs));
    EXPECT_EQ(status.StateText(), "파일 서버 연결 대기 중");
    service = std::make_unique<znlservice::ZnlService>(settings);
    ASSERT_TRUE(service->Start());
    EXPECT_TRUE(WaitUntil([&] { return status.State() == SessionState::Idle; }, kLimitMs));
    session.Stop();
    service->Stop();
}

// Every completed JPEG is checked beside reception: the ledger marks it, and a cut one is told with
// its reason in a line and to the faces. A photo of another kind is left unchecked.
TEST(ReceptionSession, CompletedPhotosGetTheirPictureCheckInTheLedgerAndACutOneIsTold) {
    TestFolder module;
    TestFolder source;
    TestFolder save;
    const ProgramFolders folders = ProgramFolders::At(module.Path());
    const std::string whole = testsupport::BaselineJpeg();
    WriteFileBytes(source.Path() / "whole.jpg", whole);
    WriteFileBytes(source.Path() / "cut.jpg", whole.substr(0, whole.size() - 3));
    WriteFileBytes(source.Path() / "notes.pdf", "%PDF-1.4");
    znlservice::ServiceSettings settings;
    settings.accounts.push_back({"guest", "secret", 4321, ""});
    settings.folder = source.Path();
    znlservice::ZnlService service(settings);
    ASSERT_TRUE(service.Start());
    ASSERT_TRUE(StoreAutomaticLogin(folders.settingsFile, service.LoginPort()));
    ASSERT_TRUE(platform::WritePrivateProfileString(ini::SAVE_FOLDER_SECTION, ini::SAVE_FOLDER,
                                                    save.Path().string(), folders.settingsFile));

    ClientSession session(folders);
    QStringList lines;
    QObject::connect(&session, &ClientSession::activityLine,
                     [&](const QString& line) { lines << line; });
    QList<QPair<QString, QString>> damaged;
    QObject::connect(
        &session, &ClientSession::photoDamaged,
        [&](const QString& path, const QString& reason) { damaged << qMakePair(path, reason); });
    QObject::connect(&session, &ClientSession::signInRequested, &session,
                     [&session](const SignInPrefill& prefill) {
                         session.SignIn(prefill.userId, prefill.password, prefill.autoLogin);
                     });
    session.Start();

    const QString cutReason = QStringLiteral("끝 표시(EOI)가 없음: 파일이 잘렸습니다");
    ASSERT_TRUE(WaitUntil([&] { return !damaged.isEmpty(); }, kLimitMs));
    EXPECT_EQ(damaged[0].first, QString::fromStdString((save.Path() / "cut.jpg").string()));
    EXPECT_EQ(damaged[0].second, cutReason);
    EXPECT_EQ(lines.filter(QStringLiteral("손상된 사진: cut.jpg (") + cutReason + u')').size(), 1)
        << lines.join(u'\n').toStdString();

    const QStringList expected = {QStringLiteral("cut.jpg|damaged: ") + cutReason,
                                  QStringLiteral("notes.pdf|"), QStringLiteral("whole.jpg|sound")};
    QStringList rows;
    EXPECT_TRUE(WaitUntil(
        [&] {
            rows = testsupport::LedgerRows(folders.SettingsFolder() / DELIVERY_LEDGER_FILE,
                                           "SELECT path, picture_check FROM photos ORDER BY path");
            return rows == expected;
        },
        kLimitMs))
        << rows.join(u'\n').toStdString();
    EXPECT_EQ(damaged.size(), 1);
    session.Stop();
    service.Stop();
}
