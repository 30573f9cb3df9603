// The real window under the offscreen platform: controls on their design
// pixels, captions that render as Chinese rather than boxes, stacking, focus
// order, and names a screen reader can read.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QDir>
#include <QFontMetricsF>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>

#include "doubles/SimulatedForm1.h"
#include "support/TempConfig.h"

namespace {
bool rendersWithoutMissingGlyphs(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns())
        for (quint32 glyph : run.glyphIndexes())
            if (glyph == 0) return false;
    return true;
}
}  // namespace

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { form.Show(); }
    TempConfig config;
    SimulatedForm1 form;
};

TEST_F(WindowTest, ControlsSitOnTheirDesignPlaceInPixels) {
    struct Expect {
        forms::Control* control;
        QRect pixels;
    };
    // Twips / 15, edges rounded to the nearest pixel.
    const Expect expected[] = {
        {&form.Label1, QRect(1, 0, 233, 25)},     {&form.Label3, QRect(28, 5, 200, 17)},
        {&form.Label2, QRect(1, 32, 49, 17)},     {&form.Picture1, QRect(65, 32, 19, 19)},
        {&form.HScroll1, QRect(89, 32, 137, 15)}, {&form.Command6, QRect(5, 67, 9, 12)},
        {&form.Command2, QRect(5, 88, 41, 17)},   {&form.Command3, QRect(46, 88, 41, 17)},
        {&form.Command5, QRect(46, 88, 41, 17)},  {&form.Command4, QRect(87, 88, 41, 17)},
        {&form.Command1, QRect(176, 88, 41, 17)}, {&form.Command7, QRect(217, 88, 16, 17)},
        {&form.Command8, QRect(217, 88, 16, 17)}, {&form.List1, QRect(5, 120, 225, 160)},
    };
    for (const Expect& e : expected)
        EXPECT_EQ(e.control->widget()->geometry(), e.pixels) << e.control->Name().toStdString();
    EXPECT_EQ(form.width(), 234);
    EXPECT_EQ(form.Line1.widget()->geometry().left(), 7);
    EXPECT_EQ(form.Line1.widget()->geometry().right(), 224);
}

TEST_F(WindowTest, CaptionsAreTheDesignTextsAndRenderAsChinese) {
    const std::pair<forms::CommandButton*, const char16_t*> captions[] = {
        {&form.Command2, u"播放"}, {&form.Command3, u"暂停"}, {&form.Command5, u"继续"},
        {&form.Command4, u"停止"}, {&form.Command1, u"打开"}, {&form.Command7, u"↓"},
        {&form.Command8, u"↑"},    {&form.Command6, u""},
    };
    for (const auto& [button, caption] : captions) {
        EXPECT_EQ(button->Caption(), QString::fromUtf16(caption));
        EXPECT_TRUE(rendersWithoutMissingGlyphs(button->Caption(), button->widget()->font()))
            << button->Name().toStdString() << ": install a CJK font (fonts-wqy-microhei)";
    }
    EXPECT_EQ(form.Label3.Caption(), QStringLiteral("ravelle V1.3 周岚 编于2004年3月"));
    EXPECT_TRUE(rendersWithoutMissingGlyphs(form.Label3.Caption(), form.Label3.widget()->font()));
    // The clock's digits and colon are all one width, so it does not jitter
    // as the seconds change (whether or not the face calls itself fixed).
    const QFontMetricsF clock(form.Label2.widget()->font());
    for (const QChar c : QStringLiteral("123456789:"))
        EXPECT_EQ(clock.horizontalAdvance(c), clock.horizontalAdvance(u'0'))
            << QString(c).toStdString();
    EXPECT_EQ(form.Label2.widget()->font().pointSize(), 9);
    EXPECT_EQ(form.caidna.Caption(), QStringLiteral("caidan"));
    EXPECT_EQ(form.add.Caption(), QStringLiteral("添加"));
    EXPECT_EQ(form.del.Caption(), QStringLiteral("删除"));
    EXPECT_EQ(form.delt.Caption(), QStringLiteral("删除其余"));
}

// The strip draws no more of its caption than its own 3000 twips, wherever
// it has scrolled to: a line wider than that is never seen whole.
TEST_F(WindowTest, TheAboutLineFitsItsStripWholeAtOneAndTwiceTheScale) {
    QWidget* about = form.Label3.widget();
    const QString line = form.Label3.Caption();
    ASSERT_TRUE(line.endsWith(QStringLiteral("编于2004年3月")));
    for (const qreal scale : {1.0, 2.0}) {
        QFont font = about->font();
        font.setPointSizeF(font.pointSizeF() * scale);
        const QFontMetricsF metrics(font);
        EXPECT_LE(metrics.horizontalAdvance(line) / scale, about->width()) << scale;
        EXPECT_LE(metrics.height() / scale, about->height()) << scale;
    }
    // As drawn: the last glyph ends clear of the strip's right edge.
    const QImage drawn = about->grab().toImage();
    const QColor strip = form.Label3.BackColor();
    int rightmostInk = -1;
    for (int x = 0; x < drawn.width(); ++x)
        for (int y = 0; y < drawn.height(); ++y)
            if (drawn.pixelColor(x, y) != strip) rightmostInk = x;
    EXPECT_GT(rightmostInk, drawn.width() / 2);
    EXPECT_LT(rightmostInk, drawn.width() - 4) << "the line runs into the strip's edge";
}

TEST_F(WindowTest, RendersTheDesignColoursWithResumeAndUpArrowHidden) {
    const QImage shot = form.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    if (const QString out = qEnvironmentVariable("RAVELLE_SCREENSHOT_DIR"); !out.isEmpty())
        shot.save(QDir(out).filePath(QStringLiteral("window.png")));
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(128, 128, 255)) << "the blue strip";
    EXPECT_EQ(shot.pixelColor(2, 45), QColor(128, 128, 255)) << "the clock's background";
    EXPECT_EQ(shot.pixelColor(120, 73), QColor(255, 128, 255)) << "the progress track";
    EXPECT_EQ(shot.pixelColor(83, 50), QColor(192, 192, 192))
        << "the picture box around the picture";
    // Resume is hidden, so Pause is what shows in their shared place.
    EXPECT_EQ(form.childAt(QPoint(66, 96)), form.Command3.widget());
    EXPECT_EQ(form.childAt(QPoint(225, 96)), form.Command7.widget());
}

TEST_F(WindowTest, StackingPutsResumeAndTheMarkerInFront) {
    auto indexOf = [&](forms::Control& c) { return form.children().indexOf(c.widget()); };
    EXPECT_LT(indexOf(form.Command3), indexOf(form.Command5));
    EXPECT_LT(indexOf(form.Command7), indexOf(form.Command8));
    EXPECT_LT(form.children().indexOf(form.Line1.widget()), indexOf(form.Command6));
    EXPECT_LT(indexOf(form.Label1), indexOf(form.Label3));
    EXPECT_LT(indexOf(form.Label1), indexOf(form.Label4));
}

TEST_F(WindowTest, TabGoesThroughTheDesignOrderSkippingHiddenControls) {
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Command1.widget()->setFocus();
    QStringList order;
    for (int i = 0; i < 6; ++i) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (QStringList{"Command1", "Command2", "Command3", "Command4", "Command6",
                                  "HScroll1"}));
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("Command7"));
}

TEST_F(WindowTest, ScreenReadersSeeNamesThatFollowTheCaptions) {
    QAccessibleInterface* play = QAccessible::queryAccessibleInterface(form.Command2.widget());
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->text(QAccessible::Name), QStringLiteral("播放"));
    form.Label4.setCaption(QStringLiteral("已停止播放"));
    QAccessibleInterface* status = QAccessible::queryAccessibleInterface(form.Label4.widget());
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(QAccessible::Name), QStringLiteral("已停止播放"));
    form.Command8.setEnabled(false);
    QAccessibleInterface* up = QAccessible::queryAccessibleInterface(form.Command8.widget());
    EXPECT_TRUE(up->state().disabled);
    EXPECT_TRUE(up->state().invisible);
}
