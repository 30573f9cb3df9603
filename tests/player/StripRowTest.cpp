// The two strips scroll in a row that draws them: the window looks as it did
// when each label's own widget moved, at every tick, and a screen reader
// still finds both labels with their captions.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>

#include "PlayerRig.h"
#include "StripDrawing.h"

namespace {
// Counts the times a widget paints.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void expectDrawnAsByTheLabels(Form1& form, const char* what) {
    for (int tick = 0, next = 0; next < int(kTicksToCompare.size()); ++tick) {
        if (tick == kTicksToCompare[next]) {
            const QImage row = form.grab().toImage();
            const QImage labels = drawnByTheLabels(form);
            EXPECT_EQ(firstDifference(row, labels), QString())
                << what << ", tick " << tick << ": Label3 at " << form.Label3.Left()
                << ", Label4 at " << form.Label4.Left();
            ++next;
        }
        forms::TimerProbe::fire(form.Timer1);
    }
}
}  // namespace

TEST(StripRow, DrawsWhatTheLabelsDrewAtEveryTick) {
    PlayerRig rig(false);  // no event loop runs: only fire() moves the strips
    expectDrawnAsByTheLabels(*rig.form, "status line empty");
}

TEST(StripRow, DrawsBothCaptionsAsTheLabelsDidWhilePlaying) {
    PlayerRig rig(false);
    rig.addEntry(QStringLiteral("/music/一首很长的歌的名字 with a long name.mp3"), 3600000);
    rig.form->List1.setListIndex(0);
    rig.play();
    ASSERT_TRUE(rig.form->Label4.Caption().startsWith(QStringLiteral("正在播放..")));
    expectDrawnAsByTheLabels(*rig.form, "now playing");

    // A new caption shows at once where the strip is, as the label drew it.
    rig.form->Label4.setCaption(QStringLiteral("已暂停播放"));
    rig.form->Label3.setCaption(QStringLiteral("另一行"));
    EXPECT_EQ(firstDifference(rig.form->grab().toImage(), drawnByTheLabels(*rig.form)), QString());
}

TEST(StripRow, ScreenReadersStillReadBothStripsWithTheirCaptions) {
    PlayerRig rig(false);
    Form1& form = *rig.form;
    form.Label4.setCaption(QStringLiteral("已停止播放"));
    for (int tick = 0; tick < 300; ++tick) forms::TimerProbe::fire(form.Timer1);
    for (forms::Label* strip : {&form.Label3, &form.Label4}) {
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(strip->widget());
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->role(), QAccessible::StaticText) << strip->Name().toStdString();
        EXPECT_EQ(reader->text(QAccessible::Name), strip->Caption()) << strip->Name().toStdString();
        EXPECT_FALSE(reader->state().invisible) << strip->Name().toStdString();
    }
}

TEST(StripRow, TheRowTakesNoClickAndNoFocus) {
    PlayerRig rig(false);
    QWidget* row = rig.form->stripRow.widget();
    EXPECT_TRUE(row->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(row->focusPolicy(), Qt::NoFocus);
    // In front of the strips and the band behind them, behind the clock.
    const QObjectList& stack = rig.form->children();
    EXPECT_GT(stack.indexOf(row), stack.indexOf(rig.form->Label4.widget()));
    EXPECT_LT(stack.indexOf(row), stack.indexOf(rig.form->Label2.widget()));
}

// The clock writes its caption every second, paused or stopped too: a
// caption written again must not repaint the label.
TEST(LabelCaption, WritingTheSameCaptionAgainDrawsNothing) {
    PlayerRig rig(false);
    Form1& form = *rig.form;
    QCoreApplication::processEvents();
    PaintCounter counter(form.Label2.widget());
    int told = 0;
    QObject::connect(&form.Label2.changes(), &forms::ChangeNotifier::changed, [&] { ++told; });

    form.Label2.setCaption(Form1::kClockReset);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(told, 0);

    form.Label2.setCaption(QStringLiteral("00:01"));
    QCoreApplication::processEvents();
    EXPECT_GE(counter.paints, 1);
    EXPECT_EQ(told, 1);
}
