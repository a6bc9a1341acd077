#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "core/autostartentry.h"
#include "core/clientsession.h"
#include "gui/controls.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "platform/modulepath.h"
#include "protocol/programinfo.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::ScopedEnvironmentVariable;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

constexpr int kAutostartBox = 1032;

// The user's configuration folder is a scratch folder; every message box is noted and answered.
// The form is made by the test, after it has set the scene.
class AutostartBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxHandlerForTests([this](const QString& text, const QString& caption) {
            m_boxes << caption + QStringLiteral(" | ") + text;
            return IDOK;
        });
    }
    void TearDown() override { SetMessageBoxHandlerForTests(nullptr); }

    QCheckBox* ShowForm() {
        m_view = std::make_unique<COvrinView>(m_session);
        m_view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
        return qobject_cast<QCheckBox*>(GetDlgItem(m_view.get(), kAutostartBox));
    }
    static void Click(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    }

    TestFolder m_config;
    ScopedEnvironmentVariable m_xdg{"XDG_CONFIG_HOME", m_config.Path().string()};
    fs::path m_entry = m_config.Path() / "autostart" / "znlclient.desktop";
    QStringList m_boxes;
    TestFolder m_module;
    ClientSession m_session{ProgramFolders::At(m_module.Path())};
    std::unique_ptr<COvrinView> m_view;
};

}  // namespace

TEST_F(AutostartBoxTest, CheckingMakesTheEntryForThisProgramAndUncheckingRemovesIt) {
    QCheckBox* box = ShowForm();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());

    Click(box);
    EXPECT_TRUE(box->isChecked());
    ASSERT_TRUE(fs::exists(m_entry));
    const std::string program = platform::ExecutablePath().filename().string();
    EXPECT_NE(ReadFileBytes(m_entry).find("\nExec="), std::string::npos);
    EXPECT_NE(ReadFileBytes(m_entry).find(program + "\n"), std::string::npos) << program;

    Click(box);
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(fs::exists(m_entry));
    EXPECT_EQ(m_boxes, QStringList());
}

TEST_F(AutostartBoxTest, TheBoxStartsCheckedWhenTheEntryExists) {
    ASSERT_EQ(EnableAutostart("/opt/znl/ZNLClient").failure, std::nullopt);
    QCheckBox* box = ShowForm();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(m_boxes, QStringList());
}

TEST_F(AutostartBoxTest, AFailedClickSaysWhyAndTheBoxGoesBackToWhatIsOnDisk) {
    const QString caption = QString::fromUtf8(APP_TITLE);
    {
        // The folder of the entry cannot be made below a regular file.
        WriteFileBytes(m_config.Path() / "file", "x");
        const ScopedEnvironmentVariable xdg("XDG_CONFIG_HOME", (m_config.Path() / "file").string());
        QCheckBox* box = ShowForm();
        ASSERT_NE(box, nullptr);
        Click(box);
        EXPECT_FALSE(box->isChecked());
        ASSERT_EQ(m_boxes.size(), 1);
        EXPECT_TRUE(m_boxes[0].startsWith(caption +
                                          QStringLiteral(" | 자동 실행 항목을 만들 수 없습니다: ") +
                                          QString::fromStdString(m_config.Path().string())))
            << m_boxes[0].toStdString();
    }
    m_boxes.clear();
    {
        // A folder that is not empty in the entry's place cannot be removed.
        fs::create_directories(m_entry / "inside");
        QCheckBox* box = ShowForm();
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(box->isChecked());
        Click(box);
        EXPECT_TRUE(box->isChecked());
        ASSERT_EQ(m_boxes.size(), 1);
        EXPECT_TRUE(m_boxes[0].startsWith(caption +
                                          QStringLiteral(" | 자동 실행 항목을 지울 수 없습니다: ") +
                                          QString::fromStdString(m_entry.string())))
            << m_boxes[0].toStdString();
    }
}
