// The nickname change through the real form: the dialog, what is kept of the typed text, the
// login that carries the new nickname, and the file connection's next end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/nicknametext.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "formrig.h"
#include "gui/controls.h"
#include "gui/messagebox.h"
#include "gui/nicknamedlg.h"
#include "protocol/cp949.h"
#include "protocol/loginrequest.h"

using logintest::FormRig;
using logintest::YesBody;
using testsupport::WaitUntil;

namespace {

constexpr int kCancelId = 2;

QLineEdit* Edit(CNicNameDlg& dlg) {
    return qobject_cast<QLineEdit*>(GetDlgItem(&dlg, 1024));
}

void Press(CNicNameDlg& dlg, int id) {
    static_cast<QPushButton*>(GetDlgItem(&dlg, id))->click();
}

// One character at a time, each refused or taken as the edit decides.
void Type(QLineEdit* edit, const QString& text) {
    for (const QChar c : text) edit->insert(c);
}

class NicknameChange : public FormRig {
protected:
    // Clicks the nickname label, or presses the change button beside it from the keyboard;
    // `interact` gets the open dialog and must end it.
    void ClickNickName(const std::function<void(CNicNameDlg&)>& interact, bool byButton = false) {
        bool opened = false;
        QTimer::singleShot(0, &m_view, [&] {
            auto* dlg = dynamic_cast<CNicNameDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr) << "no nickname dialog open";
            opened = true;
            QTimer::singleShot(30000, dlg, [dlg] {
                ADD_FAILURE() << "the dialog was left open";
                dlg->reject();
            });
            interact(*dlg);
        });
        if (byButton) {
            QTest::keyClick(GetDlgItem(&m_view, 1035), Qt::Key_Space);
        } else {
            QTest::mouseClick(GetDlgItem(&m_view, 1029), Qt::LeftButton);
        }
        EXPECT_TRUE(opened);
    }
    void Rename(const QString& typed) {
        ClickNickName(
            [&](CNicNameDlg& dlg) {
                Edit(dlg)->clear();
                Type(Edit(dlg), typed);
                Press(dlg, IDOK);
            },
            true);
    }
    std::vector<std::string> LoginRequests() const {
        std::vector<std::string> logins;
        for (const std::string& request : m_login.Requests()) {
            if (request.compare(12, 4, "1002") == 0) logins.push_back(request);
        }
        return logins;
    }
    bool LoginSent(const std::string& nickname) const {
        const std::string expected = BuildLoginRequest("guest", "secret", nickname);
        for (const std::string& request : LoginRequests()) {
            if (request == expected) return true;
        }
        return false;
    }
    // Keeps the folder-list upload that follows every login off the login server: it would share
    // the one tracked login-server exchange with the logins this test starts.
    void KeepUploadsAway() { LoadFolders(QStringList(8, QString(243, QLatin1Char('a')))); }
};

}  // namespace

TEST_F(NicknameChange, NeitherCancelNorAnUnchangedOkChangesAnythingOrStartsALogin) {
    AnswerRecord(1002, YesBody(1234, m_fileServer.Port()) + "02:" + platform::Utf8ToCp949("별명"));
    ASSERT_TRUE(SignIn());
    ASSERT_EQ(m_session.Nickname(), "별명");
    const std::string settingsBefore = testsupport::ReadFileBytes(m_session.Paths().settingsFile);

    const struct {
        const char* name;
        std::function<void(CNicNameDlg&)> interact;
    } cases[] = {
        {"OK untouched",
         [](CNicNameDlg& dlg) {
             EXPECT_EQ(dlg.windowTitle(), QStringLiteral("닉네임 변경"));
             EXPECT_EQ(Edit(dlg)->text(), QStringLiteral("별명"));
             EXPECT_EQ(GetDlgItemText(&dlg, IDOK), QStringLiteral("확인"));
             EXPECT_EQ(GetDlgItemText(&dlg, kCancelId), QStringLiteral("취소"));
             Press(dlg, IDOK);
         }},
        {"OK after typing the same text again",
         [](CNicNameDlg& dlg) {
             Edit(dlg)->clear();
             Type(Edit(dlg), QStringLiteral("별명"));
             Press(dlg, IDOK);
         }},
        {"cancel after editing",
         [](CNicNameDlg& dlg) {
             Type(Edit(dlg), QStringLiteral("x"));
             Press(dlg, kCancelId);
         }},
        {"Escape after editing",
         [](CNicNameDlg& dlg) {
             Type(Edit(dlg), QStringLiteral("x"));
             QTest::keyClick(&dlg, Qt::Key_Escape);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClickNickName(c.interact);
        EXPECT_EQ(m_session.Nickname(), "별명");
        EXPECT_EQ(GetDlgItemText(&m_view, 1029), QStringLiteral("별명"));
        EXPECT_FALSE(m_session.IsTimerSet(TIMER_LOGIN_CONNECT));
        EXPECT_EQ(m_session.Account().fileSlotNotReconnected, -1);
        EXPECT_EQ(testsupport::ReadFileBytes(m_session.Paths().settingsFile), settingsBefore);
    }
    EXPECT_EQ(LoginRequests().size(), 1u);
}

TEST_F(NicknameChange, WhatIsKeptIsWhatTheNextStartReadsBack) {
    const struct {
        const char* name;
        std::function<void(QLineEdit*)> edit;
        std::string kept;
    } cases[] = {
        {"typed past 50 bytes", [](QLineEdit* e) { Type(e, QString(60, QLatin1Char('n'))); },
         std::string(50, 'n')},
        // Each 가 takes two bytes in CP949: the 26th does not fit, nor does a letter after 25.
        {"typed past 50 CP949 bytes",
         [](QLineEdit* e) { Type(e, QStringLiteral("가").repeated(26) + QLatin1Char('a')); },
         QStringLiteral("가").repeated(25).toStdString()},
        {"a paste that would not fit is refused whole",
         [](QLineEdit* e) {
             Type(e, QStringLiteral("abc"));
             e->insert(QString(48, QLatin1Char('p')));
         },
         "abc"},
        {"blanks around go", [](QLineEdit* e) { Type(e, QStringLiteral("  별 명  ")); }, "별 명"},
        {"a character CP949 lacks becomes ?",
         [](QLineEdit* e) { e->insert(QString::fromUtf8("ab\xF0\x9F\x98\x80")); }, "ab?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClickNickName([&](CNicNameDlg& dlg) {
            Edit(dlg)->clear();
            c.edit(Edit(dlg));
            Press(dlg, IDOK);
        });
        EXPECT_EQ(m_session.Nickname(), c.kept);
        EXPECT_EQ(GetDlgItemText(&m_view, 1029).toStdString(), c.kept);
        EXPECT_EQ(
            m_session.Settings().ReadText(ini::BASIC_INFO, ini::NICKNAME, "", ini::NICKNAME_SIZE),
            c.kept);
        EXPECT_TRUE(m_session.IsTimerSet(TIMER_LOGIN_CONNECT));
        m_session.KillTimer(TIMER_LOGIN_CONNECT);
    }
}

TEST_F(NicknameChange, AChangeLogsInWithTheNewNicknameAndTheLineOpenThenIsNotReconnected) {
    KeepUploadsAway();
    AnswerRecord(1002, YesBody(1234, m_fileServer.Port()));
    ASSERT_TRUE(SignIn());
    ASSERT_TRUE(WaitUntil([&] { return FileGreetings() == 1; }, 30000));
    // Without a change, the end of the file line is followed by a new one.
    DropFileLine();
    ASSERT_TRUE(WaitUntil([&] { return FileGreetings() == 2; }, 30000));

    Rename(QStringLiteral("abc"));
    EXPECT_EQ(m_session.Nickname(), "abc");
    EXPECT_EQ(GetDlgItemText(&m_view, 1029), QStringLiteral("abc"));
    EXPECT_EQ(IniText("BasicInfo", "닉네임"), "abc");
    EXPECT_EQ(m_session.Account().fileSlotNotReconnected, m_session.Account().fileSlot);
    ASSERT_TRUE(WaitUntil([&] { return LoginSent("abc") && LoginSlotsFree(); }, 30000));
    EXPECT_EQ(LoginRequests().back().substr(76), "02:abc");
    EXPECT_EQ(GetDlgItemText(&m_view, 1024), QStringLiteral("정상 로그인"));
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_FILE_CONNECT));  // the file line keeps running

    DropFileLine();
    ASSERT_TRUE(WaitUntil([&] { return FileSlotsFree(); }, 30000));
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_FILE_CONNECT));
    EXPECT_EQ(m_session.Account().fileSlotNotReconnected, -1);
    EXPECT_EQ(FileGreetings(), 2);

    // Letter case alone is a change.
    Rename(QStringLiteral("ABC"));
    EXPECT_EQ(IniText("BasicInfo", "닉네임"), "ABC");
    ASSERT_TRUE(WaitUntil([&] { return LoginSent("ABC"); }, 30000));

    // A refusal of such a login is shown in the status fields only: no dialog waits for it.
    AnswerRecord(1002, "P");
    Rename(QStringLiteral("def"));
    ASSERT_TRUE(WaitUntil(
        [&] { return GetDlgItemText(&m_view, 1024) == QStringLiteral("로그인 실패"); }, 30000));
    EXPECT_FALSE(m_session.SignedIn());
    EXPECT_TRUE(m_boxes.isEmpty());
}

TEST_F(NicknameChange, OnlyTheFileLineOpenAtTheChangeEndsWithoutAReconnect) {
    KeepUploadsAway();
    AnswerRecord(1002, YesBody(1234, m_fileServer.Port()));
    ASSERT_TRUE(SignIn());
    ASSERT_TRUE(WaitUntil([&] { return FileGreetings() == 1; }, 30000));
    // The line ends; the nickname changes while its reconnect waits, with no line open.
    DropFileLine();
    ASSERT_TRUE(WaitUntil([&] { return m_session.IsTimerSet(TIMER_FILE_CONNECT); }, 30000));
    m_session.ChangeNickname("abc");
    EXPECT_EQ(m_session.Account().fileSlotNotReconnected, -1);
    ASSERT_TRUE(WaitUntil([&] { return LoginSent("abc") && FileGreetings() == 2; }, 30000));

    // The line made after the change is reconnected when it ends, again and again.
    for (int greetings = 3; greetings <= 4; ++greetings) {
        DropFileLine();
        EXPECT_TRUE(WaitUntil([&] { return FileGreetings() == greetings; }, 30000)) << greetings;
    }
}

TEST(NicknameText, FitsCountsCp949BytesAndStoredFormIsWhatTheFileGivesBack) {
    EXPECT_TRUE(NicknameFits(std::string(50, 'n')));
    EXPECT_FALSE(NicknameFits(std::string(51, 'n')));
    std::string korean;
    for (int i = 0; i < 25; ++i) korean += "가";
    EXPECT_TRUE(NicknameFits(korean));  // 75 bytes of UTF-8, 50 of CP949
    EXPECT_FALSE(NicknameFits(korean + "a"));

    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {{"abc", "abc"},
                 {" \tabc\t ", "abc"},
                 {"별 명", "별 명"},
                 {"   ", ""},
                 {"ab\xF0\x9F\x98\x80", "ab?"}};
    for (const auto& c : cases) EXPECT_EQ(StoredNickname(c.typed), c.stored) << c.typed;
}
