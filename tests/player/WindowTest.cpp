// The real window under the offscreen platform as start-up leaves it, against
// a picture of it that was checked by eye.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QDir>
#include <QFontMetricsF>
#include <QTest>

#include "PlayerRig.h"
#include "doubles/SimulatedForm1.h"

namespace {
// Where the reference picture lives, and where a picture that differs is
// left to look at. RAVELLE_UPDATE_REFERENCE=1 writes a new reference.
const QString kReference = QStringLiteral(RAVELLE_TEST_SOURCE_DIR "/window.png");
const QString kDiffering = QDir::temp().filePath(QStringLiteral("ravelle-window-as-drawn.png"));
}  // namespace

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { form.Show(); }
    TempConfig config;
    SimulatedForm1 form;
};

TEST_F(WindowTest, LooksAsTheReferencePictureAtStartUp) {
    const QImage drawn = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariable("RAVELLE_UPDATE_REFERENCE") == u"1") drawn.save(kReference);
    const QImage reference = QImage(kReference).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(reference.isNull()) << kReference.toStdString();
    if (drawn != reference) {
        drawn.save(kDiffering);
        ADD_FAILURE() << "the window differs from " << kReference.toStdString() << "; it is in "
                      << kDiffering.toStdString()
                      << " (a CJK font missing? install fonts-wqy-microhei)";
    }
    // What the picture cannot show.
    for (forms::CommandButton* button :
         {&form.Command1, &form.Command2, &form.Command3, &form.Command4, &form.Command5,
          &form.Command7, &form.Command8})
        EXPECT_FALSE(button->ToolTipText().isEmpty()) << button->Name().toStdString();
}

TEST_F(WindowTest, TheClockKeepsItsPlaceAndTheAboutLineFitsItsStripAtTwiceTheScale) {
    // Digits and colon all one width: the clock does not jitter as the
    // seconds change, whether or not the face calls itself fixed.
    const QFontMetricsF clock(form.Label2.widget()->font());
    for (const QChar c : QStringLiteral("123456789:"))
        EXPECT_EQ(clock.horizontalAdvance(c), clock.horizontalAdvance(u'0'))
            << QString(c).toStdString();
    QFont font = form.Label3.widget()->font();
    font.setPointSizeF(font.pointSizeF() * 2);
    const QFontMetricsF about(font);
    EXPECT_LE(about.horizontalAdvance(form.Label3.Caption()) / 2, form.Label3.widget()->width());
    EXPECT_LE(about.height() / 2, form.Label3.widget()->height());
}

TEST_F(WindowTest, StackingTabOrderAndScreenReaders) {
    // Resume in front of Pause, "↑" in front of "↓", the marker in front of
    // its track, the strips in front of their band.
    const auto indexOf = [&](forms::Control& c) { return form.children().indexOf(c.widget()); };
    EXPECT_LT(indexOf(form.Command3), indexOf(form.Command5));
    EXPECT_LT(indexOf(form.Command7), indexOf(form.Command8));
    EXPECT_LT(form.children().indexOf(form.Line1.widget()), indexOf(form.Command6));
    EXPECT_LT(indexOf(form.Label1), indexOf(form.Label3));
    EXPECT_LT(indexOf(form.Label1), indexOf(form.Label4));

    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Command1.widget()->setFocus();
    QStringList order;
    for (int i = 0; i < 7; ++i) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (QStringList{"Command1", "Command2", "Command3", "Command4", "Command6",
                                  "HScroll1", "Command7"}))
        << "hidden controls are skipped";

    // Names follow the captions (the strips' are the strip row's case).
    const auto reader = [](forms::Control& c) {
        return QAccessible::queryAccessibleInterface(c.widget());
    };
    EXPECT_EQ(reader(form.Command2)->text(QAccessible::Name), form.Command2.Caption());
    EXPECT_TRUE(reader(form.Command8)->state().disabled);
    EXPECT_TRUE(reader(form.Command8)->state().invisible);
}
