// The playlist panel and its popup menu: the arrow buttons that open and
// close it, and the menu's add, delete and delete-the-others.
#include <gtest/gtest.h>

#include <QMenu>
#include <QTimer>

#include "PlayerRig.h"

class PanelTest : public ::testing::Test, public PlayerRig {
protected:
    void openPanel() { QTest::mouseClick(form->Command7.widget(), Qt::LeftButton); }
    // A right click on an entry of the open list; menuShown runs on the menu
    // once it is up. The menu runs inside the press; the release follows
    // once it is closed, so no button is left held for the tests after.
    void rightClick(int entry, const std::function<void(QMenu&)>& menuShown) {
        QTimer::singleShot(50, form.get(), [menuShown] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
                menuShown(*menu);
        });
        const QPoint at = form->List1.entryRect(entry).center();
        QTest::mousePress(form->List1.view()->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(form->List1.view()->viewport(), Qt::RightButton, {}, at);
    }
};

TEST_F(PanelTest, OpeningThenClosingReturnsExactlyToTheStartUpState) {
    Form1& f = *form;
    const auto expectPanel = [&](bool open) {
        EXPECT_FLOAT_EQ(f.Height(), open ? 4660 : 2100);
        EXPECT_EQ(f.frameGeometry().height(), open ? 311 : 140);
        EXPECT_EQ(f.width(), 234) << "the width never changes";
        EXPECT_EQ(f.List1.Visible(), open);
        EXPECT_EQ(f.List1.widget()->isVisible(), open);
        // "↓" opens, "↑" in its place closes; the one shown has the focus.
        EXPECT_EQ(std::pair(f.Command7.Visible(), f.Command7.Enabled()), std::pair(!open, !open));
        EXPECT_EQ(std::pair(f.Command8.Visible(), f.Command8.Enabled()), std::pair(open, open));
        QWidget* const shown = (open ? f.Command8 : f.Command7).widget();
        EXPECT_EQ(focus(), shown);
        EXPECT_EQ(f.childAt(QPoint(225, 96)), shown) << "in the same place";
    };
    openPanel();
    expectPanel(true);
    QTest::mouseClick(f.Command8.widget(), Qt::LeftButton);
    expectPanel(false);
}

TEST_F(PanelTest, AddDeleteAndDeleteTheOthersTouchOnlyTheList) {
    form->List1.AddItem(QStringLiteral("/m/a.mp3"));
    form->List1.setSelected(0, true);
    // Add appends what the dialog returns, a duplicate too; a cancel adds
    // nothing. Nothing is selected, played or saved on its own account.
    cdlg->answer(QStringLiteral("/m/new.mp3"));
    cdlg->answer(QStringLiteral("/m/new.mp3"));
    cdlg->cancel();
    for (int i = 0; i < 3; ++i) form->add_Click();
    EXPECT_EQ(entries(), (QStringList{"/m/a.mp3", "/m/new.mp3", "/m/new.mp3"}));
    EXPECT_EQ(form->List1.ListIndex(), 0);
    EXPECT_EQ(cdlg->timesShown(), 3);
    EXPECT_TRUE(mci->log().isEmpty()) << "adding plays nothing";

    // Delete removes the selected entry, the playing one too, and nothing
    // with none selected; delete-the-others then keeps the whole list (what
    // both leave with one selected is in the autosave's case). No word.
    mci->addFile(QStringLiteral("/m/a.mp3"), 60000);
    form->List1_DblClick();
    ASSERT_TRUE(mci->isPlaying());
    form->del_Click();
    EXPECT_EQ(entries(), (QStringList{"/m/new.mp3", "/m/new.mp3"}));
    EXPECT_TRUE(mci->isPlaying()) << "deleting the playing entry leaves playback alone";
    form->del_Click();
    form->delt_Click();
    EXPECT_EQ(entries(), (QStringList{"/m/new.mp3", "/m/new.mp3"}));
    EXPECT_TRUE(takeBoxes().isEmpty());

    // On an empty list, delete says there is nothing to delete.
    form->List1.Clear();
    form->del_Click();
    const QList<ModalWatcher::Seen> seen = takeBoxes();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, "没有目录可以删除！");
    EXPECT_EQ(seen[0].title, "ravelle");
    EXPECT_FALSE(seen[0].hasIcon);
}

// A right press on the open list opens the menu and selects nothing: its
// commands act on the entry selected before.
TEST_F(PanelTest, ARightClickOpensTheMenuOnTheEntrySelectedBefore) {
    for (const char* path : {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"})
        form->List1.AddItem(QString::fromUtf8(path));
    // While the panel is closed nothing of the list is under the pointer.
    EXPECT_FALSE(form->List1.view()->isVisible());
    EXPECT_EQ(form->childAt(QPoint(50, 125)), nullptr);
    openPanel();
    QTest::mouseClick(form->List1.view()->viewport(), Qt::LeftButton, {},
                      form->List1.entryRect(0).center());
    ASSERT_EQ(form->List1.ListIndex(), 0);
    QStringList shown;
    int selected = -2;
    // The menu's command runs inside the press.
    rightClick(2, [&](QMenu& menu) {
        const QList<QAction*> items = menu.actions();
        for (QAction* action : items) shown << action->text();
        selected = form->List1.ListIndex();
        menu.close();
        items.at(1)->trigger();  // "删除"
    });
    EXPECT_EQ(shown, (QStringList{"添加", "删除", "删除其余"}));
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(entries(), (QStringList{"/m/b.mp3", "/m/c.mp3"}));
}
