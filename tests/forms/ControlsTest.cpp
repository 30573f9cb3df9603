// The controls as the window's handlers rely on them.
#include <gtest/gtest.h>

#include <QDialog>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "errors/EventDispatch.h"
#include "forms/CommandButton.h"
#include "forms/Form.h"
#include "forms/HScrollBar.h"
#include "forms/Label.h"
#include "forms/ListBox.h"
#include "forms/PictureBox.h"
#include "forms/Timer.h"
#include "support/LastResortRecorder.h"
#include "support/RuntimeFailure.h"
#include "support/TimerProbe.h"

TEST(Form, ItsControlsFlagsDecideWhatAPersonCanUseAndEveryChangeIsTold) {
    forms::Form form(QStringLiteral("Form1"), 3510, 4290);
    form.setHeight(2100);
    forms::CommandButton button(&form, QStringLiteral("Command6"));
    forms::Label label(&form, QStringLiteral("Label4"));
    button.Move(80, 1000, 135, 180);
    button.setLeft(895);
    EXPECT_FLOAT_EQ(button.Left(), 895);
    // 895 twips is 59.67 pixels: the widget sits on the nearest pixel.
    EXPECT_EQ(button.widget()->geometry(), QRect(60, 67, 9, 12));
    EXPECT_EQ(button.widget()->objectName(), QStringLiteral("Command6"));
    int clicks = 0, told = 0;
    button.Click = [&] { ++clicks; };
    for (const forms::Control* c : std::initializer_list<const forms::Control*>{&button, &label})
        QObject::connect(&c->changes(), &forms::ChangeNotifier::changed, [&] { ++told; });
    EXPECT_TRUE(button.Visible()) << "as assigned, though nothing is on screen yet";
    // Hidden or disabled, it takes neither the focus nor a press. A new value
    // is told at once, from inside the assignment; the same again is not.
    form.Show();
    for (const auto set : {&forms::Control::setVisible, &forms::Control::setEnabled}) {
        const int before = told;
        for (int twice = 0; twice < 2; ++twice) (button.*set)(false);
        EXPECT_EQ(told, before + 1);
        EXPECT_EQ(errorOf([&] { button.SetFocus(); }), errors::InvalidProcedureCall);
        EXPECT_FALSE(button.press());
        (button.*set)(true);
    }
    EXPECT_EQ(errorOf([&] { button.SetFocus(); }), 0);
    EXPECT_TRUE(button.press());
    EXPECT_EQ(clicks, 1);
    // Captions are carried too; places and tool tips are not.
    for (int twice = 0; twice < 2; ++twice) {
        button.setCaption(QStringLiteral("继续"));
        label.setCaption(QStringLiteral("已暂停播放"));
    }
    label.setLeft(-16);
    button.setToolTipText(QStringLiteral("继续播放"));
    EXPECT_EQ(told, 6);

    // A modal dialog keeps the window from its user, and so from press.
    {
        QDialog dialog(&form);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        EXPECT_FALSE(form.takesInput());
        EXPECT_FALSE(button.press());
    }
    EXPECT_TRUE(form.takesInput());

    // A failing handler meets the last resort, from a press as from a click.
    const LastResortRecorder lastResort;
    button.Click = [&] {
        ++clicks;
        errors::raiseError(errors::Overflow);
    };
    EXPECT_TRUE(button.press());
    QTest::mouseClick(button.button(), Qt::LeftButton);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(lastResort.numbers, (std::vector<int>{errors::Overflow, errors::Overflow}));

    // The height set is the outer one; Unload's cancel flag keeps it open.
    EXPECT_FLOAT_EQ(form.Height(), 2100);
    EXPECT_EQ(form.frameGeometry().height(), 140);
    EXPECT_EQ(form.width(), 234);
    int unloads = 0;
    form.Unload = [&](int& cancel) { cancel = ++unloads == 1; };
    form.close();
    EXPECT_TRUE(form.isVisible());
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(unloads, 2);
}

TEST(HScrollBar, ChangeRunsNestedOnceForEachNewValueAndOnlyAtTheEndOfADrag) {
    QWidget form;
    forms::HScrollBar bar(&form, QStringLiteral("HScroll1"));
    bar.Move(0, 0, 2055, 220);
    bar.setMax(100);
    form.show();
    std::vector<int> changes;
    int scrolls = 0, told = 0;
    bar.Change = [&] { changes.push_back(bar.Value()); };
    bar.Scroll = [&] { ++scrolls; };
    QObject::connect(&bar.changes(), &forms::ChangeNotifier::changed, [&] { ++told; });

    // An assignment raises it before it returns, and only for a new value;
    // watchers are told of each new value, whoever set it.
    for (const int value : {50, 50, 0}) bar.setValue(value);
    EXPECT_EQ(changes, (std::vector<int>{50, 0}));
    EXPECT_EQ(errorOf([&] { bar.setValue(101); }), errors::InvalidPropertyValue);
    EXPECT_EQ(errorOf([&] { bar.setValue(-1); }), errors::InvalidPropertyValue);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(told, 2);

    // The right arrow, at the bar's right end, steps by one.
    changes.clear();
    QTest::mouseClick(bar.bar(), Qt::LeftButton, {}, QPoint(bar.bar()->width() - 3, 5));
    EXPECT_EQ(changes, (std::vector<int>{1}));
    // Moving the thumb as a drag would: Scroll while it moves, one Change at
    // the release.
    bar.bar()->setSliderDown(true);
    bar.bar()->setSliderPosition(40);
    bar.bar()->setSliderPosition(60);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(scrolls, 2);
    bar.bar()->setSliderDown(false);
    EXPECT_EQ(changes, (std::vector<int>{1, 60}));
    EXPECT_EQ(told, 4);
    // A narrower range that moves the value is told, though no Change runs.
    for (int twice = 0; twice < 2; ++twice) bar.setMax(30);
    EXPECT_EQ(bar.Value(), 30);
    EXPECT_EQ(told, 5);

    // An error in the handler reaches the code that assigned.
    bar.Change = [] { errors::raiseError(errors::Overflow); };
    EXPECT_EQ(errorOf([&] { bar.setValue(5); }), errors::Overflow);
}

TEST(Timer, TicksOnlyWhileSwitchedOnAndAgainAndAgain) {
    forms::Timer timer(QStringLiteral("Timer2"));
    timer.setInterval(1000);
    timer.setEnabled(false);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    forms::TimerProbe::fire(timer);
    EXPECT_EQ(ticks, 0) << "a switched-off timer does not tick";

    timer.setEnabled(true);
    forms::TimerProbe::fire(timer);
    EXPECT_EQ(ticks, 1);
    timer.setEnabled(false);
    EXPECT_FALSE(timer.running());

    // A real countdown raises the event, again and again.
    timer.setInterval(10);
    timer.setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 5000));
}

TEST(ListBox, ADoubleClickSelectsAndNoIndexOutsideOrEntryPastFullIsTaken) {
    QWidget form;
    forms::ListBox list(&form, QStringLiteral("List1"));
    list.Move(0, 0, 3375, 2400);
    for (const char* entry : {"/a/one.mp3", "/a/two.mp3", "/a/three.mp3"})
        list.AddItem(QString::fromUtf8(entry));
    form.show();
    EXPECT_EQ(list.Text(), QString());

    // A double click raises DblClick on the entry it selects.
    int doubleClicks = 0;
    list.DblClick = [&] { doubleClicks += list.Text() == QStringLiteral("/a/two.mp3"); };
    QTest::mouseDClick(list.view()->viewport(), Qt::LeftButton, {}, list.entryRect(1).center());
    EXPECT_EQ(doubleClicks, 1);

    EXPECT_EQ(list.List(3), QString());
    EXPECT_EQ(errorOf([&] { list.List(-1); }), errors::InvalidPropertyArrayIndex);
    EXPECT_EQ(errorOf([&] { list.RemoveItem(3); }), errors::InvalidProcedureCall);
    list.RemoveItem(1);
    EXPECT_EQ(list.ListIndex(), -1) << "the selected entry is gone";
    EXPECT_EQ(list.ListCount(), 2);
    list.AddItem(QStringLiteral("/a/one.mp3"));
    EXPECT_EQ(list.List(2), QStringLiteral("/a/one.mp3")) << "duplicates are kept, at the end";

    // Full, it refuses another entry, naming it, and keeps all it has.
    list.Clear();
    for (int i = 0; i < forms::ListBox::kMaxEntries; ++i) list.AddItem(QString::number(i));
    const Failure full = failureOf([&] { list.AddItem(QStringLiteral("one too many")); });
    EXPECT_EQ(full.number, errors::OutOfMemory);
    EXPECT_TRUE(full.text.contains(QStringLiteral("one too many"))) << full.text.toStdString();
    EXPECT_EQ(list.ListCount(), forms::ListBox::kMaxEntries);
    EXPECT_EQ(list.List(forms::ListBox::kMaxEntries - 1), QStringLiteral("32766"));
}

TEST(PictureBox, AMissingOrBrokenPictureIsANumberedErrorAndChangesNothing) {
    QWidget form;
    forms::PictureBox box(&form, QStringLiteral("Picture1"));
    QTemporaryDir dir;
    EXPECT_EQ(errorOf([&] { box.LoadPicture(dir.filePath(QStringLiteral("volm.bmp"))); }),
              errors::FileNotFound);
    QFile broken(dir.filePath(QStringLiteral("broken.bmp")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("BM not really a bitmap") > 0);
    broken.close();
    EXPECT_EQ(errorOf([&] { box.LoadPicture(broken.fileName()); }), errors::InvalidPicture);
    EXPECT_FALSE(box.HasPicture());
}
