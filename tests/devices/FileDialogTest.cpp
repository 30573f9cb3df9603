// The Open dialog: Qt's modal file dialog answered as a user would, and the
// scripted stand-in the logic tests use.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include "QtFileDialog.h"
#include "doubles/ScriptedFileDialog.h"

namespace {

// Answers the next modal file dialog: types the name and accepts, or cancels
// when name is empty. Notes what the dialog offered: its filters, its title.
void answerNextDialog(const QString& name, QStringList& offered) {
    QTimer::singleShot(0, [name, &offered] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return answerNextDialog(name, offered);  // not shown yet
        offered = dialog->nameFilters() << dialog->windowTitle();
        if (name.isEmpty()) return dialog->reject();
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
        static_cast<QDialog*>(dialog)->accept();
    });
}

TEST(QtFileDialog, ReturnsTheChosenFilesFullPathOrEmptyOnCancel) {
    QTemporaryDir dir;
    const QString song = dir.filePath("歌 1.mp3");
    QFile(song).open(QIODevice::WriteOnly);
    QtFileDialog dialog(nullptr, true);
    QStringList offered;
    answerNextDialog(song, offered);
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), song);
    // Nothing of ours narrows or names it.
    ASSERT_FALSE(offered.isEmpty()) << "no dialog shown";
    EXPECT_LE(offered.size(), 2);
    EXPECT_FALSE(offered.last().contains("ravelle"));

    offered.clear();
    answerNextDialog({}, offered);
    dialog.ShowOpen();
    EXPECT_FALSE(offered.isEmpty()) << "no dialog shown";
    EXPECT_TRUE(dialog.FileName().isEmpty());
}

TEST(ScriptedFileDialog, AnswersInTurnAndCancelsWhenEmptyOrOut) {
    ScriptedFileDialog dialog({"/a/one.mp3", ""});
    dialog.answer("/a/two.wav");
    QStringList got;
    for (int i = 0; i < 4; ++i) {
        dialog.ShowOpen();
        got << dialog.FileName();
    }
    EXPECT_EQ(got, (QStringList{"/a/one.mp3", "", "/a/two.wav", ""}));
    EXPECT_EQ(dialog.timesShown(), 4);
    EXPECT_EQ(dialog.answersLeft(), 0);
}

}  // namespace
