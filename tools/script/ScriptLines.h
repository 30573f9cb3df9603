#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>

// The readable descriptions the build compiles (type libraries, resource
// scripts) are line-oriented: one statement a line, words separated by
// blanks, "#" to the end of the line a comment. A token is a word, a
// "quoted text" (kept without its quotes), a {braced identifier}, or one
// of ( ) , * on its own.
struct ScriptToken {
    QString text;
    bool quoted = false;
};

struct ScriptLine {
    int number = 0;
    QList<ScriptToken> tokens;
};

// A fault in a description, with where it is.
class ScriptError : public std::runtime_error {
public:
    ScriptError(const QString& file, int line, const QString& message)
        : std::runtime_error(
              QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(message).toStdString()) {}
};

// One line's tokens. A line that cannot be split (an unclosed quote or
// brace) gives no tokens and says why in error, which is empty otherwise.
QList<ScriptToken> tokenizeScriptLine(const QString& line, QString* error);

// The file's non-empty lines, tokenised. Throws ScriptError for a file that
// cannot be read or text that is not UTF-8 or has an unclosed quote.
QList<ScriptLine> readScript(const QString& path);
