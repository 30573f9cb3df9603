// The playlist panel and its popup menu: the arrow buttons that open and
// close it, and the menu's add, delete and delete-the-others.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "Form1.h"
#include "doubles/ScriptedFileDialog.h"
#include "doubles/SimulatedMediaDevice.h"
#include "support/ModalWatcher.h"
#include "support/TempConfig.h"

namespace {
QStringList entries(const Form1& form) {
    QStringList list;
    for (int i = 0; i < form.List1.ListCount(); ++i) list << form.List1.List(i);
    return list;
}
}  // namespace

class PanelTest : public ::testing::Test {
protected:
    PanelTest()
        : device(new SimulatedMediaDevice),
          dialog(new ScriptedFileDialog),
          form(std::unique_ptr<MediaDevice>(device), std::unique_ptr<FileDialog>(dialog)) {
        form.Show();
        QApplication::setActiveWindow(&form);
    }
    void fill(std::initializer_list<const char*> paths) {
        for (const char* path : paths) form.List1.AddItem(QString::fromUtf8(path));
    }
    void openPanel() { QTest::mouseClick(form.Command7.widget(), Qt::LeftButton); }
    // The menu runs inside the press; the release follows once it is closed,
    // so no button is left held for the tests that come after.
    void rightClick(int entry) {
        const QPoint at = form.List1.entryRect(entry).center();
        QTest::mousePress(form.List1.view()->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(form.List1.view()->viewport(), Qt::RightButton, {}, at);
    }

    TempConfig config;
    SimulatedMediaDevice* device;
    ScriptedFileDialog* dialog;
    Form1 form;
};

TEST_F(PanelTest, OpeningThenClosingReturnsExactlyToTheStartUpState) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    openPanel();
    EXPECT_FLOAT_EQ(form.Height(), 4660);
    EXPECT_EQ(form.frameGeometry().height(), 311);
    EXPECT_TRUE(form.List1.Visible());
    EXPECT_TRUE(form.List1.widget()->isVisible());
    EXPECT_FALSE(form.Command7.Visible());
    EXPECT_FALSE(form.Command7.Enabled());
    EXPECT_TRUE(form.Command8.Visible());
    EXPECT_TRUE(form.Command8.Enabled());
    EXPECT_EQ(QApplication::focusWidget(), form.Command8.widget());
    EXPECT_EQ(form.childAt(QPoint(225, 96)), form.Command8.widget()) << "↑ in ↓'s place";

    QTest::mouseClick(form.Command8.widget(), Qt::LeftButton);
    EXPECT_FLOAT_EQ(form.Height(), 2100);
    EXPECT_EQ(form.frameGeometry().height(), 140);
    EXPECT_FALSE(form.List1.Visible());
    EXPECT_TRUE(form.Command7.Visible());
    EXPECT_TRUE(form.Command7.Enabled());
    EXPECT_FALSE(form.Command8.Visible());
    EXPECT_FALSE(form.Command8.Enabled());
    EXPECT_EQ(QApplication::focusWidget(), form.Command7.widget());
    EXPECT_EQ(form.width(), 234) << "the width never changes";
}

TEST_F(PanelTest, ARightPressOnTheOpenListOpensTheMenuAndSelectsNothing) {
    fill({"/m/a.mp3", "/m/b.mp3"});
    openPanel();
    QStringList shown;
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions()) shown << action->text();
            menu->close();
        }
    });
    rightClick(1);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("添加"), QStringLiteral("删除"),
                                  QStringLiteral("删除其余")}));
    EXPECT_EQ(form.List1.ListIndex(), -1);
}

TEST_F(PanelTest, TheMenuCannotBeReachedWhileThePanelIsClosed) {
    fill({"/m/a.mp3"});
    EXPECT_FALSE(form.List1.view()->isVisible());
    EXPECT_EQ(form.childAt(QPoint(50, 125)), nullptr) << "nothing of the list under the pointer";
}

TEST_F(PanelTest, AddDeleteAndDeleteTheOthersTouchOnlyTheList) {
    fill({"/m/a.mp3"});
    form.List1.setSelected(0, true);
    // Add appends what the dialog returns, a duplicate too; a cancel adds
    // nothing. Nothing is selected, played or saved on its own account.
    dialog->answer(QStringLiteral("/m/new.mp3"));
    dialog->answer(QStringLiteral("/m/new.mp3"));
    dialog->cancel();
    for (int i = 0; i < 3; ++i) form.add_Click();
    EXPECT_EQ(entries(form), (QStringList{"/m/a.mp3", "/m/new.mp3", "/m/new.mp3"}));
    EXPECT_EQ(form.List1.ListIndex(), 0);
    EXPECT_EQ(dialog->timesShown(), 3);
    EXPECT_TRUE(device->log().isEmpty()) << "adding plays nothing";

    // Delete removes only the selected entry, and nothing with none
    // selected; delete-the-others keeps only the selected one, and the whole
    // list with none selected.
    ModalWatcher watcher;
    device->addFile(QStringLiteral("/m/a.mp3"), 60000);
    form.List1_DblClick();
    ASSERT_TRUE(device->isPlaying());
    form.del_Click();
    EXPECT_EQ(entries(form), (QStringList{"/m/new.mp3", "/m/new.mp3"}));
    EXPECT_TRUE(device->isPlaying()) << "deleting the playing entry leaves playback alone";
    form.del_Click();
    form.delt_Click();
    EXPECT_EQ(entries(form).size(), 2);
    form.List1.AddItem(QStringLiteral("/m/c.mp3"));
    form.List1.setSelected(2, true);
    form.delt_Click();
    EXPECT_EQ(entries(form), QStringList{QStringLiteral("/m/c.mp3")});
    EXPECT_EQ(form.List1.ListIndex(), -1);
    EXPECT_TRUE(watcher.seen().isEmpty()) << "and no message";

    // On an empty list, delete says there is nothing to delete.
    form.List1.Clear();
    form.del_Click();
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_EQ(watcher.seen()[0].text, QStringLiteral("没有目录可以删除！"));
    EXPECT_EQ(watcher.seen()[0].title, QStringLiteral("ravelle"));
    EXPECT_FALSE(watcher.seen()[0].hasIcon);
}

TEST_F(PanelTest, ARightClickThenDeleteRemovesTheEntrySelectedBefore) {
    fill({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
    openPanel();
    QTest::mouseClick(form.List1.view()->viewport(), Qt::LeftButton, {},
                      form.List1.entryRect(0).center());
    ASSERT_EQ(form.List1.ListIndex(), 0);
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            const QList<QAction*> items = menu->actions();
            menu->close();
            items.at(1)->trigger();  // "删除"
        }
    });
    rightClick(2);  // the menu runs, and its command with it, inside the press
    EXPECT_EQ(entries(form), (QStringList{"/m/b.mp3", "/m/c.mp3"}));
}
