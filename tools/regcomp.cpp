// regcomp: registers a component library with the per-user component
// registry, or with -u unregisters it, by calling the library's own
// DllRegisterServer or DllUnregisterServer; lists and removes the
// registrations whose files are gone.
//
//   regcomp path/to/libquillet.so
//   regcomp -u path/to/libquillet.so
//   regcomp --check      exit status 1 when some registration is stale
//   regcomp --prune
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

#include "com/ComponentLibrary.h"
#include "com/ComponentRegistry.h"
#include "com/StaleRegistrations.h"

namespace {
void say(FILE* to, const QString& line) { std::fprintf(to, "%s\n", qPrintable(line)); }

int usage() {
    say(stderr, QStringLiteral("用法: regcomp [-u] <部件文件>\n"
                               "      regcomp --check | --prune\n"
                               "  在部件注册表中登记部件文件；-u 删除它的登记。\n"
                               "  --check 列出部件文件已不存在或无法加载的类，有则退出状态为 1；\n"
                               "  --prune 删除这些类的登记，连同它们的类型库和接口。"));
    return 2;
}

QString describe(const com::StaleClass& stale) {
    return QStringLiteral("%1 %2\n  %3")
        .arg(stale.entry.clsid.toString(), stale.entry.progId, stale.reason);
}

int registerFile(const QString& path, bool unregister) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QString reason;
    const com::ComponentLibrary* library = com::ComponentLibrary::load(file, &reason);
    if (!library) {
        say(stderr, QStringLiteral("regcomp: %1").arg(reason));
        return 1;
    }
    const com::HResult status =
        unregister ? library->unregisterServer() : library->registerServer();
    if (com::hr::failed(status)) {
        QString why = com::registry::lastError();
        if (why.isEmpty())
            why = QStringLiteral("状态 0x%1").arg(uint32_t(status), 8, 16, QChar(u'0'));
        say(stderr, (unregister ? QStringLiteral("regcomp: 删除 %1 的登记失败: %2")
                                : QStringLiteral("regcomp: 登记 %1 失败: %2"))
                        .arg(library->path(), why));
        return 1;
    }
    say(stdout, (unregister ? QStringLiteral("已删除 %1 的登记。") : QStringLiteral("已登记 %1。"))
                    .arg(library->path()));
    say(stdout, QStringLiteral("部件注册表文件: %1").arg(com::registry::filePath()));
    return 0;
}

int check() {
    const QList<com::StaleClass> stale = com::findStaleClasses();
    say(stdout, QStringLiteral("部件注册表文件: %1").arg(com::registry::filePath()));
    if (stale.isEmpty()) {
        say(stdout, QStringLiteral("登记的部件文件都能加载。"));
        return 0;
    }
    for (const com::StaleClass& s : stale) say(stdout, QStringLiteral("失效: ") + describe(s));
    say(stdout,
        QStringLiteral("%1 个类的登记已失效；regcomp --prune 可删除它们。").arg(stale.size()));
    return 1;
}

int prune() {
    const QList<com::StaleClass> stale = com::findStaleClasses();
    QList<com::registry::ClassRegistration> entries;
    for (const com::StaleClass& s : stale) entries.append(s.entry);
    if (!entries.isEmpty() && !com::registry::removeClasses(entries)) {
        say(stderr, QStringLiteral("regcomp: %1").arg(com::registry::lastError()));
        return 1;
    }
    for (const com::StaleClass& s : stale) say(stdout, QStringLiteral("已删除: ") + describe(s));
    say(stdout, QStringLiteral("从部件注册表文件 %1 中删除了 %2 个失效的类。")
                    .arg(com::registry::filePath(), QString::number(stale.size())));
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args == QStringList{QStringLiteral("--check")}) return check();
    if (args == QStringList{QStringLiteral("--prune")}) return prune();
    const bool unregister = args.removeAll(QStringLiteral("-u")) > 0;
    if (args.size() != 1 || args.first().startsWith(u'-')) return usage();
    return registerFile(args.first(), unregister);
}
