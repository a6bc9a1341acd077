#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/clientsession.h"
#include "gui/controls.h"
#include "gui/dialogunits.h"
#include "gui/formfonts.h"
#include "gui/ovrinview.h"
#include "protocol/programinfo.h"
#include "support/testfolder.h"

TEST(DialogUnits, MapLikeWindowsWithRounding) {
    // Base units 7 x 15: x * 7 / 4 and y * 15 / 8, rounded half away from zero.
    EXPECT_EQ(MapDialogRect(QRect(7, 95, 240, 131), {7, 15}), QRect(12, 178, 420, 246));
    EXPECT_EQ(MapDialogRect(QRect(1, 1, 2, 3), {6, 13}), QRect(2, 2, 3, 5));
}

TEST(FormLayout, EveryControlOfTheFormExistsWithItsKindAndText) {
    const testsupport::TestFolder programFolder;
    ClientSession session(ProgramFolders::At(programFolder.Path()));
    COvrinView view(session);
    struct Expected {
        int id;
        const char* kind;
        const char* text;
    };
    const Expected controls[] = {
        {1000, "QListWidget", ""},
        {1001, "QLabel", ""},
        {1008, "QLabel", "yyyy-mm-dd"},
        {1009, "QLabel", "hh:mm:ss"},
        {1010, "QLabel", "v.2017.08.01.01"},
        {1011, "QLineEdit", ""},
        {1012, "QPushButton", "추가"},
        {1014, "QPushButton", "삭제"},
        {1015, "QListWidget", ""},
        {1016, "QPushButton", "수정"},
        {1018, "QLabel", "Folder"},
        {1021, "QLabel", "ID"},
        {1022, "QPushButton", "로그 아웃"},
        {1023, "QLabel", "Login Time"},
        {1024, "QLabel", "Login Info"},
        {1025, "QLabel", "Receive Info"},
        {1026, "QLabel", "Receive Time"},
        {1027, "QLabel", ""},
        {1028, "QLabel", ""},
        {1029, "QLabel", ""},
        {1032, "QCheckBox", "로그인 시 자동 실행"},
    };
    for (const Expected& control : controls) {
        SCOPED_TRACE(control.id);
        QWidget* widget = GetDlgItem(&view, control.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), control.kind);
        EXPECT_EQ(GetDlgItemText(&view, control.id), QString::fromUtf8(control.text));
    }
    EXPECT_FALSE(GetDlgItemText(&view, 1019).isEmpty());
    const QStringList labels = {QStringLiteral("로그인"),         QStringLiteral("파일수신명"),
                                QStringLiteral("수신진행정보"),   QStringLiteral("사용자 ID"),
                                QStringLiteral("사진 저장 폴더"), QStringLiteral("닉네임")};
    for (const QString& text : labels) {
        bool found = false;
        for (QLabel* label : view.findChildren<QLabel*>()) found = found || label->text() == text;
        EXPECT_TRUE(found) << text.toStdString();
    }
}

TEST(FormLayout, PositionsComeFromDialogUnitsOfTheFormFont) {
    const testsupport::TestFolder programFolder;
    ClientSession session(ProgramFolders::At(programFolder.Path()));
    COvrinView view(session);
    const DialogBaseUnits base = BaseUnitsOf(DialogFont());
    ASSERT_GT(base.x, 0);
    ASSERT_GT(base.y, 0);
    EXPECT_EQ(view.size(), MapDialogRect(QRect(0, 0, 400, 272), base).size());
    EXPECT_EQ(GetDlgItem(&view, 1000)->geometry(), MapDialogRect(QRect(7, 95, 240, 131), base));
    EXPECT_EQ(GetDlgItem(&view, 1022)->geometry(), MapDialogRect(QRect(101, 10, 50, 14), base));
    // Control 1001 lies below the form's area.
    EXPECT_GT(GetDlgItem(&view, 1001)->geometry().top(), view.height());
    auto* centred = static_cast<QLabel*>(GetDlgItem(&view, 1024));
    EXPECT_TRUE(centred->alignment() & Qt::AlignHCenter);
}

TEST(FormLayout, FontsHaveTheirCellHeightAndWeight) {
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

TEST(FormLayout, TheProgramVersionShowsWhole) {
    const testsupport::TestFolder programFolder;
    ClientSession session(ProgramFolders::At(programFolder.Path()));
    COvrinView view(session);
    view.SetDlgItemText(1010, PROGRAM_VERSION);
    auto* label = qobject_cast<QLabel*>(GetDlgItem(&view, 1010));
    ASSERT_NE(label, nullptr);
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
        << label->text().toStdString();
}

TEST(FormLayout, TheAutostartBoxShowsItsWholeTextOnTheForm) {
    const testsupport::TestFolder programFolder;
    ClientSession session(ProgramFolders::At(programFolder.Path()));
    COvrinView view(session);
    auto* box = qobject_cast<QCheckBox*>(GetDlgItem(&view, 1032));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(view.rect().contains(box->geometry()));
    EXPECT_LE(box->sizeHint().width(), box->width());
    EXPECT_LE(box->sizeHint().height(), box->height());
}
