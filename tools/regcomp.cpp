// regcomp: registers a component library with the per-user component
// registry, or with -u unregisters it, by calling the library's own
// DllRegisterServer or DllUnregisterServer.
//
//   regcomp path/to/libquillet.so
//   regcomp -u path/to/libquillet.so
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

#include "com/ComponentLibrary.h"
#include "com/ComponentRegistry.h"

namespace {
void say(FILE* to, const QString& line) { std::fprintf(to, "%s\n", qPrintable(line)); }

int usage() {
    say(stderr, QStringLiteral("用法: regcomp [-u] <部件文件>\n"
                               "  注册部件文件；-u 取消注册。"));
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool unregister = args.removeAll(QStringLiteral("-u")) > 0;
    if (args.size() != 1 || args.first().startsWith(u'-')) return usage();

    const QString file = QFileInfo(args.first()).absoluteFilePath();
    QString reason;
    const com::ComponentLibrary* library = com::ComponentLibrary::load(file, &reason);
    if (!library) {
        say(stderr, QStringLiteral("regcomp: %1").arg(reason));
        return 1;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const com::HResult status =
        unregister ? library->unregisterServer() : library->registerServer();
    if (com::hr::failed(status)) {
        QString why = com::registry::lastError();
        if (why.isEmpty())
            why = QStringLiteral("状态 0x%1").arg(uint32_t(status), 8, 16, QChar(u'0'));
        say(stderr, QStringLiteral("regcomp: %1 的 %2 失败: %3")
                        .arg(library->path(), QString::fromLatin1(entry), why));
        return 1;
    }
    say(stdout, QStringLiteral("%1 的 %2 成功。").arg(library->path(), QString::fromLatin1(entry)));
    say(stdout, QStringLiteral("部件注册表: %1").arg(com::registry::filePath()));
    return 0;
}
