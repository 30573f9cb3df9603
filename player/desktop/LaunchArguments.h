#pragma once

#include <QString>
#include <QStringList>

// What the program was started with:
//   ravelle [--help | --version] [FILE | URI]...
// Qt's own options (-platform, -display...) are taken out by the application
// object before the files are read; "--" ends the options.
struct LaunchArguments {
    enum class Ask { Run, Help, Version, Unknown };
    Ask ask = Ask::Run;
    // Each file as an absolute file:// URI, each URI as given.
    QStringList uris;
    // The option not understood, for Ask::Unknown.
    QString unknown;

    // Before the application object: only --help and --version, which need
    // no display. argv as main() got it.
    static Ask askedBeforeStart(int argc, char** argv);
    // arguments: the application's arguments, the program's name first.
    static LaunchArguments parse(const QStringList& arguments);

    // What --help and --version print on standard output.
    static QString helpText();
    static QString versionText();
};
