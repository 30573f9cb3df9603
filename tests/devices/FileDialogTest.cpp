// The Open dialog: Qt's modal file dialog answered as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include "QtFileDialog.h"

TEST(QtFileDialog, ReturnsTheChosenFilesFullPathOrEmptyOnCancel) {
    QTemporaryDir dir;
    const QString song = dir.filePath("歌 1.mp3");
    QFile(song).open(QIODevice::WriteOnly);
    QtFileDialog dialog(nullptr, true);
    // Shows the dialog and answers it as the user does: types the name and
    // accepts, or cancels when there is none. What it offered: its filters,
    // then its title.
    const auto answer = [&](const QString& name) {
        QStringList offered;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!shown || !offered.isEmpty()) return;
            offered = shown->nameFilters() << shown->windowTitle();
            if (name.isEmpty()) return shown->reject();
            shown->findChild<QLineEdit*>("fileNameEdit")->setText(name);
            static_cast<QDialog*>(shown)->accept();
        });
        user.start(0);
        dialog.ShowOpen();
        return offered;
    };
    const QStringList offered = answer(song);
    EXPECT_EQ(dialog.FileName(), song);
    // Nothing of ours narrows or names it: at most Qt's own filter, a title.
    EXPECT_LE(offered.size(), 2);
    EXPECT_FALSE(offered.value(offered.size() - 1).contains("ravelle"));
    EXPECT_FALSE(answer({}).isEmpty()) << "no dialog shown";
    EXPECT_TRUE(dialog.FileName().isEmpty());
}
