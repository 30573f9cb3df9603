// resdump: prints the resources of program and component files, and the
// type library among them, as text, reading the files without loading them.
//
//   resdump bin/libquillet.so bin/ravelle
#include <QCoreApplication>
#include <cstdio>

#include "ResourcePrinter.h"
#include "com/ElfFile.h"

namespace {
void print(const QStringList& lines) {
    for (const QString& l : lines) std::printf("%s\n", qPrintable(l));
}

bool dump(const QString& path) {
    QString error;
    const auto elf = com::ElfFile::open(path, &error);
    auto exports = elf ? elf->exportedSymbols(&error) : std::nullopt;
    const auto resources = exports ? com::readResources(path, &error) : std::nullopt;
    if (!resources) {
        std::fprintf(stderr, "resdump: %s\n", qPrintable(error));
        return false;
    }
    // A component's few entry points are worth seeing; a program's dynamic
    // symbols are whatever its libraries happened to need.
    exports->sort();
    const QString listed = exports->isEmpty()    ? QStringLiteral("none")
                           : exports->size() > 8 ? QStringLiteral("%1 symbols").arg(exports->size())
                                                 : exports->join(u' ');
    print({path, QStringLiteral("exports: ") + listed});
    print(printResources(*resources));
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList files = app.arguments().mid(1);
    if (files.isEmpty() || files.first().startsWith(u'-')) {
        std::fprintf(stderr, "usage: resdump <file>...\n");
        return 2;
    }
    bool ok = true;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (i) std::printf("\n");
        ok = dump(files[i]) && ok;
    }
    return ok ? 0 : 1;
}
