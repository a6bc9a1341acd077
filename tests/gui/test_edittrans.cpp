#include <gtest/gtest.h>

#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <functional>

#include "gui/edittrans.h"
#include "support/testfolder.h"

using testsupport::WaitUntil;

namespace {

// A light picture with stripes, so that any fill, frame or left-over text shows as a difference.
QImage MakePicture() {
    QImage picture(240, 80, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const int stripe = (x / 6 + y / 4) % 2 ? 40 : 0;
            picture.setPixel(x, y, qRgb(200 + stripe, 180 + (x % 50), 160 + stripe + (y % 40)));
        }
    }
    return picture;
}

// Paints a picture and remembers which areas it was asked to paint.
class PictureWidget : public QWidget {
public:
    PictureWidget() : m_picture(MakePicture()) { setFixedSize(m_picture.size()); }
    const QImage& Picture() const { return m_picture; }
    QRegion m_painted;

protected:
    void paintEvent(QPaintEvent* event) override {
        m_painted += event->region();
        QPainter(this).drawImage(0, 0, m_picture);
    }

private:
    QImage m_picture;
};

class EditTransTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_first->setGeometry(20, 16, 150, 15);
        m_second->setGeometry(20, 44, 150, 15);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }

    // What the window really shows there, from its backing store (not a fresh rendering).
    QImage Shown(const QRect& area) const {
        return m_window.screen()
            ->grabWindow(m_window.winId(), area.x(), area.y(), area.width(), area.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    bool ShowsPicture(const QRect& area) const {
        return Shown(area) == m_window.Picture().copy(area);
    }
    bool ShowsDarkText(const QRect& area) const {
        const QImage shown = Shown(area);
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                if (qGray(shown.pixel(x, y)) < 80) return true;  // the picture has none this dark
            }
        }
        return false;
    }

    PictureWidget m_window;
    CEditTrans* m_first = new CEditTrans(&m_window);
    CEditTrans* m_second = new CEditTrans(&m_window);
};

}  // namespace

TEST_F(EditTransTest, TextIsDrawnOnThePictureAndRemovedTextLeavesNoTrace) {
    const QRect box = m_first->geometry();
    m_second->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return ShowsPicture(box); })) << "an empty box shows the picture";

    m_first->setFocus();
    QTest::keyClicks(m_first, QStringLiteral("WWWWWWWW"));
    ASSERT_TRUE(WaitUntil([&] { return ShowsDarkText(box); })) << "typed text is drawn in black";

    for (int i = 0; i < 8; ++i) QTest::keyClick(m_first, Qt::Key_Backspace);
    m_second->setFocus();
    EXPECT_TRUE(m_first->text().isEmpty());
    EXPECT_TRUE(WaitUntil([&] { return ShowsPicture(box); }))
        << "deleted characters or the cursor are still on the picture";
}

TEST_F(EditTransTest, ChangeClickAndLeavingTheBoxRepaintThePictureUnderIt) {
    struct Case {
        const char* name;
        std::function<void()> act;
    };
    const Case cases[] = {
        {"text changes", [&] { m_first->setText(QStringLiteral("abc")); }},
        {"click", [&] { QTest::mouseClick(m_first, Qt::LeftButton, {}, QPoint(5, 5)); }},
        {"leaves the keyboard", [&] { m_second->setFocus(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_first->setFocus();
        ASSERT_TRUE(WaitUntil([&] { return m_first->hasFocus(); }));
        QCoreApplication::processEvents();
        m_window.m_painted = QRegion();
        c.act();
        EXPECT_TRUE(WaitUntil(
            [&] { return QRegion(m_first->geometry()).subtracted(m_window.m_painted).isEmpty(); }));
    }
}
