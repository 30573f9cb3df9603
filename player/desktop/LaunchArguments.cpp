#include "LaunchArguments.h"

#include <QDir>
#include <QUrl>
#include <cstring>

#include "ProgramSetup.h"

namespace {
bool isHelp(const char* a) { return !std::strcmp(a, "--help") || !std::strcmp(a, "-h"); }
bool isVersion(const char* a) { return !std::strcmp(a, "--version"); }

// "scheme://..." with a scheme of two letters or more: a URI. Anything else
// is a path, relative ones to the folder the program was started in.
QString uriOf(const QString& argument) {
    const QUrl url(argument, QUrl::StrictMode);
    if (argument.contains(QStringLiteral("://")) && url.isValid() && url.scheme().size() > 1)
        return argument;
    return QUrl::fromLocalFile(QDir::current().absoluteFilePath(argument))
        .toString(QUrl::FullyEncoded);
}
}  // namespace

LaunchArguments::Ask LaunchArguments::askedBeforeStart(int argc, char** argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (isHelp(argv[i])) return Ask::Help;
        if (isVersion(argv[i])) return Ask::Version;
    }
    return Ask::Run;
}

LaunchArguments LaunchArguments::parse(const QStringList& arguments) {
    LaunchArguments launch;
    bool options = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (options && a == u"--") {
            options = false;
        } else if (options && a.startsWith(u'-') && a.size() > 1) {
            const QByteArray bytes = a.toLocal8Bit();
            if (isHelp(bytes.constData())) return {Ask::Help, {}, {}};
            if (isVersion(bytes.constData())) return {Ask::Version, {}, {}};
            return {Ask::Unknown, {}, a};
        } else if (!a.isEmpty()) {
            launch.uris << uriOf(a);
        }
    }
    return launch;
}

QString LaunchArguments::helpText() {
    return QStringLiteral(
        "用法：ravelle [选项] [文件或 URI]...\n"
        "小巧的音频播放器，随机连续播放播放列表。\n"
        "\n"
        "给出的第一个文件像“打开”一样加入播放列表并播放，其余的像“添加”一样加入播放列表。\n"
        "已有一个 ravelle 在运行时，文件交给它，它的窗口来到前面。\n"
        "\n"
        "  -h, --help     显示这个帮助并退出\n"
        "      --version  显示版本并退出\n");
}

QString LaunchArguments::versionText() { return kProgramName + u' ' + kProgramVersion + u'\n'; }
