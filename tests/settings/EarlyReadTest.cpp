// The store read ahead before the application object exists, as the
// program does it: that read must leave Qt to the main thread. This program
// has no application object of its own until the test makes one.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <fstream>
#include <string>

#include "settings/SettingsStore.h"

namespace {
QtMessageHandler previousHandler = nullptr;
int threadWarnings = 0;

void countThreadWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("main thread"))) ++threadWarnings;
    previousHandler(type, context, text);
}
}  // namespace

TEST(EarlyRead, ADamagedStoreReadAheadLeavesQtToTheMainThread) {
    // Plain C only until the read is over: any Qt object made here would
    // make this thread Qt's main thread whatever the read does.
    char folder[] = "/tmp/ravelle-early-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string settings = std::string(folder) + "/ProgramSettings";
    ASSERT_EQ(::mkdir(settings.c_str(), 0700), 0);
    std::ofstream(settings + "/ravelle.ini") << "[0]\nvalue=/m/a.mp3\n\x01\x02 not settings\n";
    ::setenv("XDG_CONFIG_HOME", folder, 1);

    settings::prefetch(QStringLiteral("ravelle"));
    // Taking the store waits for the read to end, and copies the damaged
    // file aside, on this thread.
    const QString copy = settings::store(QStringLiteral("ravelle")).damagedCopy();

    previousHandler = qInstallMessageHandler(countThreadWarnings);
    int argc = 1;
    char name[] = "early_read_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EXPECT_EQ(app.thread(), QThread::currentThread());
    EXPECT_EQ(threadWarnings, 0);
    EXPECT_FALSE(copy.isEmpty());
    settings::closeAllStores();
    qInstallMessageHandler(previousHandler);
    std::system((std::string("rm -rf ") + folder).c_str());
}
