// tlbc: compiles a type library's readable description into the compiled
// form components carry as resource TYPELIB 1.
//
//   tlbc -o quillet.tlb quillet.idl
#include <QCoreApplication>
#include <QSaveFile>
#include <cstdio>

#include "ScriptLines.h"
#include "TypeLibSource.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 3 || args[0] != u"-o") {
        std::fprintf(stderr, "usage: tlbc -o <output.tlb> <description>\n");
        return 2;
    }
    try {
        const com::TypeLibrary lib = parseTypeLibSource(args[2]);
        const QByteArray bytes = com::encodeTypeLib(lib);
        // What is written must read back as what was described.
        QString error;
        const auto back = com::decodeTypeLib(bytes, &error);
        if (!back || *back != lib) {
            std::fprintf(stderr, "tlbc: %s: the compiled form does not read back: %s\n",
                         qPrintable(args[2]), qPrintable(error));
            return 1;
        }
        QSaveFile out(args[1]);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
            std::fprintf(stderr, "tlbc: cannot write %s: %s\n", qPrintable(args[1]),
                         qPrintable(out.errorString()));
            return 1;
        }
    } catch (const ScriptError& e) {
        std::fprintf(stderr, "tlbc: %s\n", e.what());
        return 1;
    }
    return 0;
}
