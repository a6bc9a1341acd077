#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "core/clientsession.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "gui/controls.h"
#include "gui/folderpicker.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "gui/staticnotify.h"
#include "platform/clock.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// The form on a test folder that is both the executable's folder and the user's home, with a
// fixed clock, message boxes answered from a queue and a folder picker answered by the test.
class SaveFolderForm : public ::testing::Test {
protected:
    using Names = std::vector<std::string>;
    struct Box {
        QString text;
        QString caption;
        bool operator==(const Box&) const = default;
    };

    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
        if (const char* home = std::getenv("HOME")) m_savedHome = home;
        setenv("HOME", m_folder.Path().c_str(), 1);
        platform::SetClockForTests([] { return testsupport::LocalMoment(2024, 5, 1, 12, 0, 0); });
        SetMessageBoxHandlerForTests([this](const QString& text, const QString& caption) {
            m_boxes.push_back({text, caption});
            EXPECT_FALSE(m_answers.empty()) << text.toStdString();
            if (m_answers.empty()) return IDNO;
            const int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
        SetFolderPickerForTests([this](const QString& start) {
            m_pickerStarts << start;
            return m_pick;
        });
    }
    void TearDown() override {
        SetMessageBoxHandlerForTests(nullptr);
        SetFolderPickerForTests(nullptr);
        platform::SetClockForTests(nullptr);
        setenv("HOME", m_savedHome.c_str(), 1);
    }

    void StoreNames(const Names& names) const {
        m_session.Settings().WriteText(ini::SAVE_FOLDER_SECTION, ini::FOLDER_COUNT,
                                       std::to_string(names.size()));
        for (size_t i = 0; i < names.size(); ++i) {
            m_session.Settings().WriteText(ini::SAVE_FOLDER_SECTION, std::to_string(i + 1),
                                           names[i]);
        }
    }
    void LoadWith(const Names& names) {
        StoreNames(names);
        m_session.LoadSaveFolders();
    }
    Names ListNames() const {
        Names names;
        for (const QString& name : m_session.Folders()) names.push_back(name.toStdString());
        return names;
    }
    QListWidget* List() const { return static_cast<QListWidget*>(GetDlgItem(&m_view, 1015)); }
    void Type(const std::string& text) { SetDlgItemText(&m_view, 1011, Q(text)); }
    QString Edit() const { return GetDlgItemText(&m_view, 1011); }
    void Press(int button) { static_cast<QPushButton*>(GetDlgItem(&m_view, button))->click(); }
    // As the user's click does: the row becomes current and selected.
    void Select(int row) { List()->setCurrentRow(row); }
    QStringList ActivityLines() const {
        QStringList lines;
        auto* list = static_cast<QListWidget*>(GetDlgItem(&m_view, 1000));
        for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
        return lines;
    }
    static QString Line(const std::string& text) { return Q("[12:00:00] " + text); }
    std::string Key(const std::string& key) const {
        return m_session.Settings().ReadText(ini::SAVE_FOLDER_SECTION, key, "<missing>",
                                             ini::FOLDER_TEXT_SIZE);
    }
    // The count and keys 1..n hold the list in list order.
    void ExpectStored(const Names& names) const {
        EXPECT_EQ(Key("등록수"), std::to_string(names.size()));
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(Key(std::to_string(i + 1)), names[i]) << "key " << i + 1;
        }
    }
    // Observes whether the next step starts the upload timer.
    bool UploadTimerSet() const { return m_session.IsTimerSet(TIMER_FOLDER_UPLOAD); }
    void ResetUploadTimer() { m_session.KillTimer(TIMER_FOLDER_UPLOAD); }

    TestFolder m_folder;
    std::string m_savedHome;
    std::vector<Box> m_boxes;
    std::deque<int> m_answers;
    QStringList m_pickerStarts;
    std::optional<QString> m_pick;
    ClientSession m_session{ProgramFolders::At(m_folder.Path())};
    COvrinView m_view{m_session};
};

}  // namespace

TEST_F(SaveFolderForm, LoadWithoutSettingsUsesTheHomeFolderAndAnEmptyList) {
    const std::string folder = (m_folder.Path() / "ZNL").string();
    m_session.LoadSaveFolders();
    EXPECT_EQ(m_session.SaveFolder(), folder);
    EXPECT_EQ(GetDlgItemText(&m_view, 1018), Q(folder));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(ListNames().empty());
    EXPECT_FALSE(fs::exists(m_session.Paths().settingsFile));
    EXPECT_FALSE(UploadTimerSet());
}

TEST_F(SaveFolderForm, LoadCreatesTheStoredFolderAndSortsTheStoredNames) {
    const std::string folder = (m_folder.Path() / "Photos/사진관").string();
    m_session.Settings().WriteText(ini::SAVE_FOLDER_SECTION, ini::SAVE_FOLDER, folder);
    StoreNames({"studio", "", "나무", "Apple", "beach"});
    m_session.Settings().WriteText(ini::SAVE_FOLDER_SECTION, ini::FOLDER_COUNT,
                                   "6");  // key 6 is missing
    const std::string before = ReadFileBytes(m_session.Paths().settingsFile);
    m_session.LoadSaveFolders();

    EXPECT_EQ(m_session.SaveFolder(), folder);
    EXPECT_EQ(GetDlgItemText(&m_view, 1018), Q(folder));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(ListNames(), (Names{"", "", "Apple", "beach", "studio", "나무"}));
    EXPECT_EQ(List()->selectedItems().size(), 0);
    EXPECT_EQ(ReadFileBytes(m_session.Paths().settingsFile), before);
    EXPECT_FALSE(UploadTimerSet());

    StoreNames({"Park"});  // a second load replaces the list
    m_session.LoadSaveFolders();
    EXPECT_EQ(ListNames(), Names{"Park"});
}

TEST_F(SaveFolderForm, AddRefusesOnlyANameAlreadyInTheListAndStoresEveryAddition) {
    LoadWith({"Beach", "studio"});
    struct Step {
        std::string typed;
        std::string line;  // empty: no line at all
        Names names;
    };
    const Step steps[] = {
        {"Stu", "저장 폴더 'Stu' 추가 완료!", {"Beach", "Stu", "studio"}},
        {"", "", {"Beach", "Stu", "studio"}},
        {"STUDIO", "'STUDIO' 폴더는 이미 저장되어 있음!", {"Beach", "Stu", "studio"}},
        {"BEACH", "'BEACH' 폴더는 이미 저장되어 있음!", {"Beach", "Stu", "studio"}},
        {"가족사진", "저장 폴더 '가족사진' 추가 완료!", {"Beach", "Stu", "studio", "가족사진"}},
        {"가족", "저장 폴더 '가족' 추가 완료!", {"Beach", "Stu", "studio", "가족", "가족사진"}},
        {"  가족 ",
         "'가족' 폴더는 이미 저장되어 있음!",
         {"Beach", "Stu", "studio", "가족", "가족사진"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.typed);
        const QStringList linesBefore = ActivityLines();
        const Names namesBefore = ListNames();
        ResetUploadTimer();
        Type(step.typed);
        Press(1012);

        EXPECT_EQ(ListNames(), step.names);
        if (step.line.empty()) {
            EXPECT_EQ(ActivityLines(), linesBefore);
        } else {
            ASSERT_EQ(ActivityLines().size(), linesBefore.size() + 1);
            EXPECT_EQ(ActivityLines().front(), Line(step.line));
        }
        EXPECT_EQ(Edit(), Q(step.typed));
        EXPECT_EQ(UploadTimerSet(), ListNames() != namesBefore);
        ExpectStored(ListNames());
    }
}

TEST_F(SaveFolderForm, EnterInTheEditAddsAndTheChangeButtonPicksFromTheKeyboard) {
    LoadWith({"Beach"});
    QWidget* edit = GetDlgItem(&m_view, 1011);
    Type("Park");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(ListNames(), (Names{"Beach", "Park"}));
    EXPECT_EQ(ActivityLines().front(), Line("저장 폴더 'Park' 추가 완료!"));
    QTest::keyClick(edit, Qt::Key_Enter);  // the keypad's Enter too; the name is there now
    EXPECT_EQ(ActivityLines().front(), Line("'Park' 폴더는 이미 저장되어 있음!"));
    EXPECT_EQ(ListNames(), (Names{"Beach", "Park"}));

    // The button beside the save folder opens the picker at the folder in use.
    m_pick = std::nullopt;
    QTest::keyClick(GetDlgItem(&m_view, 1036), Qt::Key_Space);
    EXPECT_EQ(m_pickerStarts, QStringList{Q(m_session.SaveFolder())});
}

TEST_F(SaveFolderForm, SelectingAnEntryPutsItsTextIntoTheEditBox) {
    LoadWith({"Beach", "스튜디오"});
    Select(1);
    EXPECT_EQ(Edit(), Q("스튜디오"));
    Select(0);
    EXPECT_EQ(Edit(), Q("Beach"));
}

TEST_F(SaveFolderForm, DeleteAsksFirstAndLeavesStaleKeysInTheFile) {
    LoadWith({"Beach", "Park", "studio"});

    m_answers = {IDOK};
    Press(1014);  // nothing selected
    EXPECT_EQ(m_boxes, (std::vector<Box>{{Q("삭제 할 항목을 선택 해 주세요!"), QString()}}));
    EXPECT_EQ(ListNames().size(), 3u);

    m_boxes.clear();
    Select(1);
    m_answers = {IDNO};
    Press(1014);
    EXPECT_EQ(m_boxes, (std::vector<Box>{{Q("'Park' 항목을 삭제 하시겠습니까?"), Q("항목 삭제")}}));
    EXPECT_EQ(ListNames().size(), 3u);
    EXPECT_EQ(Edit(), Q("Park"));
    EXPECT_TRUE(ActivityLines().isEmpty());
    EXPECT_FALSE(UploadTimerSet());

    m_boxes.clear();
    m_answers = {IDYES};
    Press(1014);
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(ListNames(), (Names{"Beach", "studio"}));
    EXPECT_EQ(Edit(), QString());
    EXPECT_EQ(ActivityLines(), QStringList{Line("저장 폴더 'Park' 삭제 완료!")});
    EXPECT_TRUE(UploadTimerSet());
    EXPECT_EQ(List()->selectedItems().size(), 0);
    ExpectStored({"Beach", "studio"});
    EXPECT_EQ(Key("3"), "studio");  // the old key 3 stays; reading stops at the count
}

TEST_F(SaveFolderForm, ModifyNeedsASelectionAndATextAndMayRepeatAName) {
    LoadWith({"Beach", "studio"});
    const std::string before = ReadFileBytes(m_session.Paths().settingsFile);

    Type("Atelier");
    Press(1016);  // no selection
    Select(1);
    Type("");
    Press(1016);  // empty text
    EXPECT_EQ(ListNames(), (Names{"Beach", "studio"}));
    EXPECT_TRUE(ActivityLines().isEmpty());
    EXPECT_FALSE(UploadTimerSet());
    EXPECT_EQ(ReadFileBytes(m_session.Paths().settingsFile), before);

    Type("Atelier");
    Press(1016);
    EXPECT_EQ(ListNames(), (Names{"Atelier", "Beach"}));
    EXPECT_EQ(ActivityLines(), QStringList{Line("저장 폴더 'Atelier' 수정 완료!")});
    EXPECT_EQ(Edit(), Q("Atelier"));
    EXPECT_EQ(List()->selectedItems().size(), 0);
    EXPECT_TRUE(UploadTimerSet());
    ExpectStored({"Atelier", "Beach"});

    ResetUploadTimer();
    Select(0);
    Type("beach");
    Press(1016);
    EXPECT_EQ(ListNames(), (Names{"Beach", "beach"}));
    EXPECT_EQ(ActivityLines().front(), Line("저장 폴더 'beach' 수정 완료!"));
    EXPECT_TRUE(UploadTimerSet());
    ExpectStored({"Beach", "beach"});
}

TEST_F(SaveFolderForm, PickingAFolderStoresItShowsItAndHandsItToReception) {
    m_session.LoadSaveFolders();
    QWidget* label = GetDlgItem(&m_view, 1018);
    const std::string home = (m_folder.Path() / "ZNL").string();
    const std::string chosen = (m_folder.Path() / "사진 보관").string();

    QTest::mouseClick(label, Qt::LeftButton);  // one click picks nothing
    EXPECT_TRUE(m_pickerStarts.isEmpty());

    // Cancelled: the picker opened at the save folder in use, and nothing changes.
    m_pick = std::nullopt;
    QTest::mouseDClick(label, Qt::LeftButton);
    EXPECT_EQ(m_pickerStarts, QStringList{Q(home)});
    EXPECT_EQ(m_session.SaveFolder(), home);
    EXPECT_EQ(GetDlgItemText(&m_view, 1018), Q(home));
    EXPECT_FALSE(fs::exists(m_session.Paths().settingsFile));

    m_pick = Q(chosen);
    QTest::mouseDClick(label, Qt::LeftButton);
    EXPECT_EQ(m_session.SaveFolder(), chosen);
    EXPECT_EQ(GetDlgItemText(&m_view, 1018), Q(chosen));
    EXPECT_EQ(Key("사진저장폴더"), chosen);
    EXPECT_FALSE(UploadTimerSet());
    EXPECT_TRUE(ActivityLines().isEmpty());

    m_pick = std::nullopt;
    m_view.OnPickSaveFolder();  // the folder now in use is where the picker opens
    EXPECT_EQ(m_pickerStarts.back(), Q(chosen));
    EXPECT_EQ(m_session.SaveFolder(), chosen);
}

TEST_F(SaveFolderForm, APathTheSettingsFileCannotKeepIsRefused) {
    m_session.LoadSaveFolders();
    const std::string home = (m_folder.Path() / "ZNL").string();
    for (const std::string& path : {(m_folder.Path() / "사진😀").string(),
                                    (m_folder.Path() / std::string(300, 'p')).string()}) {
        SCOPED_TRACE(path);
        m_pick = Q(path);
        m_view.OnPickSaveFolder();
        EXPECT_EQ(ActivityLines().front(),
                  Line("'" + path + "' 폴더는 사진 저장 폴더로 쓸 수 없음!"));
        EXPECT_EQ(m_session.SaveFolder(), home);
        EXPECT_EQ(GetDlgItemText(&m_view, 1018), Q(home));
        EXPECT_FALSE(fs::exists(m_session.Paths().settingsFile));
    }
}

TEST_F(SaveFolderForm, TheStartSequenceEndsByLoadingTheSaveFolders) {
    StoreNames({"Park", "Beach"});
    // Nobody signs in: the login dialog is closed as soon as it shows.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &closer, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
    });
    closer.start(10);
    m_session.Start();
    QCoreApplication::processEvents();  // the posted quit passes while no loop runs

    EXPECT_EQ(ListNames(), (Names{"Beach", "Park"}));
    EXPECT_EQ(GetDlgItemText(&m_view, 1018), Q((m_folder.Path() / "ZNL").string()));
}

TEST(StaticNotify, ReportsLeftClicksAndKeepsThemFromTheFormBeneath) {
    struct Form : QWidget {
        int presses = 0;
        void mousePressEvent(QMouseEvent*) override { ++presses; }
    } form;
    auto* label = new QLabel(QStringLiteral("Folder"), &form);
    auto* plain = new QLabel(QStringLiteral("plain"), &form);
    auto* notify = new StaticNotify(label);
    EXPECT_EQ(StaticNotify::Of(label), notify);
    EXPECT_EQ(StaticNotify::Of(plain), nullptr);
    QSignalSpy clicks(notify, &StaticNotify::clicked);
    QSignalSpy doubleClicks(notify, &StaticNotify::doubleClicked);

    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_EQ(doubleClicks.size(), 0);
    QTest::mouseDClick(label, Qt::LeftButton);
    EXPECT_EQ(doubleClicks.size(), 1);
    EXPECT_EQ(form.presses, 0);

    const qsizetype clicksBefore = clicks.size();
    QTest::mouseClick(label, Qt::RightButton);  // not ours: it goes on to the form
    EXPECT_EQ(clicks.size(), clicksBefore);
    EXPECT_EQ(form.presses, 1);
    QTest::mouseClick(plain, Qt::LeftButton);  // a plain label passes its clicks on
    EXPECT_EQ(form.presses, 2);
}
