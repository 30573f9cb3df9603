// rescomp: compiles a resource script into the bytes of a resource section,
// which the build adds to a program or library file.
//
//   rescomp [-I <folder>]... [-d <depfile>] -o quillet.rsrc quillet.rc
//
// -d writes the files the script read, for the build to watch.
#include <QCoreApplication>
#include <QSaveFile>
#include <cstdio>

#include "ResourceScript.h"
#include "ScriptLines.h"

namespace {
bool save(const QString& path, const QByteArray& bytes) {
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit())
        return true;
    std::fprintf(stderr, "rescomp: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(out.errorString()));
    return false;
}

QString escaped(QString path) { return path.replace(u' ', QStringLiteral("\\ ")); }
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QStringList search;
    QString output, depfile, script;
    bool usage = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool takesValue = a == u"-I" || a == u"-o" || a == u"-d";
        if (takesValue && i + 1 < args.size()) {
            const QString& value = args[++i];
            if (a == u"-I")
                search.append(value);
            else if (a == u"-o")
                output = value;
            else
                depfile = value;
        } else if (!a.startsWith(u'-') && script.isEmpty()) {
            script = a;
        } else {
            usage = true;
        }
    }
    if (usage || script.isEmpty() || output.isEmpty()) {
        std::fprintf(stderr,
                     "usage: rescomp [-I <folder>]... [-d <depfile>] -o <output> <script>\n");
        return 2;
    }
    try {
        QStringList inputs;
        const QByteArray bytes =
            com::encodeResources(compileResourceScript(script, search, &inputs));
        if (!save(output, bytes)) return 1;
        if (!depfile.isEmpty()) {
            // The script itself heads the list: a rule without inputs reads
            // to the build tool as no rule at all, and it would rebuild
            // every time.
            QString rule = escaped(output) + u':' + u' ' + escaped(script);
            for (const QString& in : inputs)
                if (in != script) rule += u' ' + escaped(in);
            if (!save(depfile, (rule + u'\n').toUtf8())) return 1;
        }
    } catch (const ScriptError& e) {
        std::fprintf(stderr, "rescomp: %s\n", e.what());
        return 1;
    }
    return 0;
}
