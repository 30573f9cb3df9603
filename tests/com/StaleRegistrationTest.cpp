// regcomp --check and --prune on a registry holding the real slider, good,
// beside classes whose files are gone or are no libraries at all: the check
// names the stale ones and changes nothing, the prune removes exactly
// their entries and keeps what a good class still names.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "SliderComponent.h"
#include "com/CreateObject.h"
#include "support/TempConfig.h"

namespace {
const QString kGoodClass = QStringLiteral("{4BC2321F-C8F0-11D3-86B8-52544C9974A0}");
const QString kGone = QStringLiteral("{0BADC1A5-0000-0000-0000-000000000001}");
const QString kNotALibrary = QStringLiteral("{0BADC1A5-0000-0000-0000-000000000002}");

struct ToolRun {
    int status = -1;
    QString out;
};

ToolRun regcomp(const QString& option) {
    QProcess process;
    process.start(QStringLiteral(REGCOMP_PATH), {option});
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

class StaleRegistration : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(load().registerServer(), com::hr::Ok);
        com::freeUnusedLibraries();
        goodOnly = registryKeys();

        // A component registered from a build that has been deleted since,
        // with its type library and interface, and one whose file is text.
        gone = dir.filePath(QStringLiteral("old-build/libold.so"));
        notALibrary = dir.filePath(QStringLiteral("libtext.so"));
        QFile text(notALibrary);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("not a library\n");
        text.close();
        QSettings file = registryFile();
        file.setValue("CLSID.0BADC1A5-0000-0000-0000-000000000001/ProgID", "Old.Thing");
        file.setValue("CLSID.0BADC1A5-0000-0000-0000-000000000001/InprocServer", gone);
        file.setValue("CLSID.0BADC1A5-0000-0000-0000-000000000001/TypeLib",
                      "{0BADC1A5-0000-0000-0000-0000000000FF}");
        file.setValue("CLSID.0BADC1A5-0000-0000-0000-000000000001/Version", "1.0");
        file.setValue("ProgID.Old.Thing/CLSID", kGone);
        file.setValue("TypeLib.0BADC1A5-0000-0000-0000-0000000000FF/1.0/Name", "Old");
        file.setValue("TypeLib.0BADC1A5-0000-0000-0000-0000000000FF/1.0/Path", gone);
        file.setValue("Interface.0BADC1A5-0000-0000-0000-0000000000AA/Name", "_Old");
        file.setValue("Interface.0BADC1A5-0000-0000-0000-0000000000AA/TypeLib",
                      "{0BADC1A5-0000-0000-0000-0000000000FF}");
        file.setValue("Interface.0BADC1A5-0000-0000-0000-0000000000AA/Version", "1.0");
        file.setValue("CLSID.0BADC1A5-0000-0000-0000-000000000002/ProgID", "Text.Thing");
        file.setValue("CLSID.0BADC1A5-0000-0000-0000-000000000002/InprocServer", notALibrary);
        // It claims the slider's type library as its own file's, but the
        // slider still names that library.
        file.setValue("CLSID.0BADC1A5-0000-0000-0000-000000000002/TypeLib",
                      "{4BC231B8-C8F0-11D3-86B8-52544C9974A0}");
        file.setValue("CLSID.0BADC1A5-0000-0000-0000-000000000002/Version", "2.0");
        file.setValue("TypeLib.4BC231B8-C8F0-11D3-86B8-52544C9974A0/2.0/Path", notALibrary);
        file.setValue("ProgID.Text.Thing/CLSID", kNotALibrary);
    }
    void TearDown() override { com::freeUnusedLibraries(); }

    TempConfig config;
    QTemporaryDir dir;
    QString gone, notALibrary;
    QStringList goodOnly;
};
}  // namespace

TEST_F(StaleRegistration, CheckNamesTheStaleClassesAndPruneRemovesExactlyThem) {
    const QStringList before = registryKeys();
    const ToolRun check = regcomp(QStringLiteral("--check"));
    EXPECT_EQ(check.status, 1) << check.out.toStdString();
    for (const QString& named :
         {kGone, QStringLiteral("Old.Thing"), gone, kNotALibrary, notALibrary})
        EXPECT_TRUE(check.out.contains(named)) << named.toStdString() << check.out.toStdString();
    EXPECT_FALSE(check.out.contains(kGoodClass)) << check.out.toStdString();
    EXPECT_EQ(registryKeys(), before) << "a check changes nothing";

    const ToolRun prune = regcomp(QStringLiteral("--prune"));
    EXPECT_EQ(prune.status, 0) << prune.out.toStdString();
    EXPECT_TRUE(prune.out.contains(gone)) << prune.out.toStdString();
    EXPECT_EQ(registryKeys(), goodOnly) << "the slider's class, type library and interfaces stay";
    const ToolRun again = regcomp(QStringLiteral("--check"));
    EXPECT_EQ(again.status, 0) << again.out.toStdString();
    EXPECT_EQ(regcomp(QStringLiteral("--prune")).status, 0) << "nothing left to prune";
    EXPECT_EQ(registryKeys(), goodOnly);
}
