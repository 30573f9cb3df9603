// The Open dialog: Qt's modal file dialog answered as a user would, and the
// scripted stand-in the logic tests use.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include "QtFileDialog.h"
#include "doubles/ScriptedFileDialog.h"

namespace {

// Answers the next modal file dialog: types the name and accepts, or
// cancels when name is empty. Records what the dialog offered.
struct DialogAnswer {
    QString name;
    bool seen = false;
    QStringList filters;
    QString title;

    void arm() {
        QTimer::singleShot(0, [this] { answer(); });
    }
    void answer() {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return arm();  // not shown yet
        seen = true;
        filters = dialog->nameFilters();
        title = dialog->windowTitle();
        if (name.isEmpty()) return dialog->reject();
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
        static_cast<QDialog*>(dialog)->accept();
    }
};

TEST(QtFileDialog, ReturnsTheChosenFilesFullPathOrEmptyOnCancel) {
    QTemporaryDir dir;
    const QString song = dir.filePath("歌 1.mp3");
    QFile(song).open(QIODevice::WriteOnly);

    QtFileDialog dialog(nullptr, true);
    DialogAnswer pick{song};
    pick.arm();
    dialog.ShowOpen();
    EXPECT_TRUE(pick.seen);
    EXPECT_EQ(dialog.FileName(), song);
    // Nothing of ours narrows or names it.
    EXPECT_LE(pick.filters.size(), 1);
    EXPECT_FALSE(pick.title.contains("ravelle"));

    DialogAnswer cancel;
    cancel.arm();
    dialog.ShowOpen();
    EXPECT_TRUE(cancel.seen);
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
