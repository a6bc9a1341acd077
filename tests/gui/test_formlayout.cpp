#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "core/clientsession.h"
#include "core/sessiontimers.h"
#include "gui/controls.h"
#include "gui/dialogunits.h"
#include "gui/elidedtext.h"
#include "gui/formfonts.h"
#include "gui/ovrinview.h"
#include "protocol/programinfo.h"
#include "support/testfolder.h"

TEST(DialogUnits, MapLikeWindowsWithRounding) {
    // Base units 7 x 15: x * 7 / 4 and y * 15 / 8, rounded half away from zero.
    EXPECT_EQ(MapDialogRect(QRect(7, 95, 240, 131), {7, 15}), QRect(12, 178, 420, 246));
    EXPECT_EQ(MapDialogRect(QRect(1, 1, 2, 3), {6, 13}), QRect(2, 2, 3, 5));
}

namespace {

// The form on a folder of its own after its initial update (without the start that follows),
// shown at the size it opens with.
class FormLayout : public ::testing::Test {
protected:
    void SetUp() override {
        m_view.OnInitialUpdate();
        m_session.KillTimer(TIMER_STARTUP);
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
    }
    QWidget* Item(int id) const { return GetDlgItem(&m_view, id); }
    ElidedText* Value(int id) const { return qobject_cast<ElidedText*>(Item(id)); }
    QLabel* CaptionOf(const char* text) const {
        for (QLabel* label : m_view.findChildren<QLabel*>()) {
            if (label->text() == QString::fromUtf8(text)) return label;
        }
        return nullptr;
    }

    testsupport::TestFolder m_programFolder;
    ClientSession m_session{ProgramFolders::At(m_programFolder.Path())};
    COvrinView m_view{m_session};
};

}  // namespace

TEST_F(FormLayout, EveryControlExistsWithItsKindAndNoValueIsShownBeforeItIsKnown) {
    struct Expected {
        int id;
        const char* kind;
        const char* text;
    };
    const Expected controls[] = {
        {1000, "QListWidget", ""},
        {1011, "QLineEdit", ""},
        {1012, "QPushButton", "추가"},
        {1014, "QPushButton", "삭제"},
        {1015, "QListWidget", ""},
        {1016, "QPushButton", "수정"},
        {1022, "QPushButton", "로그 아웃"},
        {1030, "QProgressBar", ""},
        {1032, "QCheckBox", "로그인 시 자동 실행"},
        {1035, "QPushButton", "변경…"},
        {1036, "QPushButton", "변경…"},
        {1037, "QPushButton", "수신 기록…"},
    };
    for (const Expected& control : controls) {
        SCOPED_TRACE(control.id);
        QWidget* widget = Item(control.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), control.kind);
        EXPECT_EQ(GetDlgItemText(&m_view, control.id), QString::fromUtf8(control.text));
    }
    // Values: none shows a placeholder; only the notice and the version are known from the start.
    for (const int id : {1001, 1008, 1009, 1018, 1021, 1023, 1024, 1025, 1026, 1027, 1028, 1029,
                         1031, 1033, 1034}) {
        SCOPED_TRACE(id);
        ASSERT_NE(Value(id), nullptr);
        EXPECT_EQ(Value(id)->text(), QString());
    }
    EXPECT_FALSE(GetDlgItemText(&m_view, 1019).isEmpty());
    EXPECT_EQ(GetDlgItemText(&m_view, 1010), QString::fromUtf8(PROGRAM_VERSION));
    EXPECT_TRUE(Item(1030)->isHidden()) << "the bar shows while nothing is received";
    EXPECT_TRUE(Item(1001)->isHidden());
    for (const char* caption : {"로그인", "파일수신명", "수신진행정보", "사용자 ID",
                                "사진 저장 폴더", "닉네임", "서비스에 전송되는 폴더 목록"}) {
        EXPECT_NE(CaptionOf(caption), nullptr) << caption;
    }
}

TEST_F(FormLayout, ValuesStandLevelWithTheirCaptions) {
    const struct {
        const char* caption;
        int value;
    } rows[] = {
        {"사용자 ID", 1021},  {"닉네임", 1029},       {"로그인", 1024},
        {"파일수신명", 1025}, {"수신진행정보", 1027}, {"사진 저장 폴더", 1018},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caption);
        QLabel* caption = CaptionOf(row.caption);
        ASSERT_NE(caption, nullptr);
        const QRect at = caption->geometry();
        const QRect value = Item(row.value)->geometry();
        EXPECT_LE(std::abs(at.center().y() - value.center().y()), 1);
        EXPECT_LT(at.right(), value.left()) << "the caption stands before its value";
    }
}

// Texts as long as the program writes them fit whole, at the size the form opens with and at the
// smallest the window can be made; a file name longer than its room keeps both ends.
TEST_F(FormLayout, NoTextIsCutAtAnySizeTheWindowCanTake) {
    const struct {
        int id;
        const char* text;
    } longest[] = {
        {1008, "2024-12-31"},          {1009, "23:59:58"},
        {1010, PROGRAM_VERSION},       {1021, "guest12345"},
        {1023, "2024-12-31 23:59:58"}, {1024, "로그인 서버 연결 대기 중 (300초 후 재시도)"},
        {1026, "2024-12-31 23:59:58"}, {1027, "수신 완료 사이즈: 31,457,280"},
        {1028, "2024-12-31 23:59:58"}, {1031, "999.9 KB/s, 남은 시간 59분 59초"},
        {1033, "사이즈: 31,457,280"},  {1034, "사진 123장째 수신 중"},
    };
    for (const auto& value : longest)
        SetDlgItemText(&m_view, value.id, QString::fromUtf8(value.text));
    const QString longName =
        QStringLiteral("2024 봄 웨딩/스튜디오 하늘 본식 촬영 원본 신부 입장 장면 0001.jpg");
    SetDlgItemText(&m_view, 1025, longName);

    for (const QSize size : {m_view.size(), m_view.minimumSizeHint()}) {
        SCOPED_TRACE(::testing::Message() << size.width() << "x" << size.height());
        m_view.resize(size);
        QApplication::processEvents();
        for (const auto& value : longest) {
            EXPECT_EQ(Value(value.id)->shownText(), QString::fromUtf8(value.text)) << value.id;
        }
        const QString shown = Value(1025)->shownText();
        if (shown != longName) {
            EXPECT_TRUE(shown.startsWith(QStringLiteral("2024 봄"))) << shown.toStdString();
            EXPECT_TRUE(shown.endsWith(QStringLiteral("0001.jpg"))) << shown.toStdString();
            EXPECT_TRUE(shown.contains(QChar(0x2026)));
            EXPECT_EQ(Item(1025)->toolTip(), longName);
        }
        for (QWidget* control : m_view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<ElidedText*>(control) || control->isHidden()) continue;
            SCOPED_TRACE(control->property("text").toString().toStdString());
            EXPECT_GE(control->width(), control->minimumSizeHint().width());
            if (qobject_cast<QLabel*>(control) || qobject_cast<QAbstractButton*>(control)) {
                EXPECT_GE(control->width(), control->sizeHint().width());
            }
        }
    }
    // Shortening keeps both ends of a name that does not fit.
    m_view.resize(m_view.minimumSizeHint());
    QApplication::processEvents();
    ASSERT_NE(Value(1025)->shownText(), longName) << "the name fits even at the smallest size";
}

TEST_F(FormLayout, TheWindowGrowsItsListsAndNeverShrinksBelowTheWindowsForm) {
    const DialogBaseUnits base = BaseUnitsOf(DialogFont());
    const QSize dialog = MapDialogRect(QRect(0, 0, 400, 272), base).size();
    EXPECT_GE(m_view.sizeHint().width(), dialog.width());
    EXPECT_GE(m_view.sizeHint().height(), dialog.height());

    const QSize activity = Item(1000)->size();
    const QSize folders = Item(1015)->size();
    m_view.resize(m_view.size() + QSize(300, 200));
    QApplication::processEvents();
    EXPECT_GT(Item(1000)->width(), activity.width());
    EXPECT_GT(Item(1000)->height(), activity.height());
    EXPECT_GT(Item(1015)->width(), folders.width());
    EXPECT_GT(Item(1015)->height(), folders.height());
    EXPECT_GT(Item(1018)->width(), 0);
}

TEST_F(FormLayout, TabReachesEveryCommandFromTopToBottom) {
    m_view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_view));
    Item(1022)->setFocus();
    QList<int> visited;
    for (int press = 0; press < 20; ++press) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        const int id = focused->property("controlId").toInt();
        if (!visited.isEmpty() && id == visited.front()) break;
        visited << id;
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    // 0: "저장 폴더 열기" beside the row of photos, which has no control id (the row itself is
    // passed over while it holds no photo).
    const QList<int> expected = {1022, 1032, 1035, 1000, 1011, 1012,
                                 1014, 1016, 1015, 0,    1036, 1037};
    EXPECT_EQ(visited, expected);
}

TEST(FormFonts, HaveTheirCellHeightAndWeight) {
    const testsupport::TestFolder programFolder;
    ClientSession session(ProgramFolders::At(programFolder.Path()));
    COvrinView view(session);
    EXPECT_LE(QFontMetrics(view.SmallFont()).height(), 12);
    EXPECT_GE(QFontMetrics(view.SmallFont()).height(), 10);
    EXPECT_LE(QFontMetrics(view.LargeFont()).height(), 25);
    EXPECT_GE(QFontMetrics(view.LargeFont()).height(), 22);
    EXPECT_EQ(view.SmallFont().weight(), QFont::Black);
    EXPECT_EQ(QFontInfo(view.SmallFont()).family(), QStringLiteral("NanumGothic"));
}
