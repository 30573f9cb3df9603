#include "ScriptLines.h"

#include <QFile>
#include <QStringDecoder>

namespace {
bool isPunctuation(QChar c) { return c == u'(' || c == u')' || c == u',' || c == u'*'; }
}  // namespace

QList<ScriptToken> tokenizeScriptLine(const QString& line, QString* error) {
    QList<ScriptToken> tokens;
    for (qsizetype i = 0; i < line.size();) {
        const QChar c = line[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'#') {
            break;
        } else if (c == u'"') {
            const qsizetype end = line.indexOf(u'"', i + 1);
            if (end < 0) {
                *error = QStringLiteral("unclosed quote");
                return {};
            }
            tokens.append({line.mid(i + 1, end - i - 1), true});
            i = end + 1;
        } else if (c == u'{') {
            const qsizetype end = line.indexOf(u'}', i + 1);
            if (end < 0) {
                *error = QStringLiteral("unclosed brace");
                return {};
            }
            tokens.append({line.mid(i, end - i + 1), false});
            i = end + 1;
        } else if (isPunctuation(c)) {
            tokens.append({QString(c), false});
            ++i;
        } else {
            qsizetype end = i;
            while (end < line.size() && !line[end].isSpace() && !isPunctuation(line[end]) &&
                   line[end] != u'"' && line[end] != u'#')
                ++end;
            tokens.append({line.mid(i, end - i), false});
            i = end;
        }
    }
    error->clear();
    return tokens;
}

QList<ScriptLine> readScript(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ScriptError(path, 0, QStringLiteral("cannot read: ") + file.errorString());
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(file.readAll());
    if (decode.hasError()) throw ScriptError(path, 0, QStringLiteral("not UTF-8 text"));

    QList<ScriptLine> lines;
    const QStringList raw = text.split(u'\n');
    for (int n = 0; n < raw.size(); ++n) {
        QString error;
        ScriptLine out{n + 1, tokenizeScriptLine(raw[n], &error)};
        if (!error.isEmpty()) throw ScriptError(path, n + 1, error);
        if (!out.tokens.isEmpty()) lines.append(out);
    }
    return lines;
}
