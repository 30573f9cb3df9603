#include "HandedFiles.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QPointer>
#include <cstdio>
#include <thread>

#include "Form1.h"
#include "errors/EventDispatch.h"

namespace handed {

namespace {
// A look at a local disk takes microseconds; this is for one that hangs.
constexpr int kLookLimitMs = 2000;

void skipped(const QString& what, const QString& why) {
    std::fprintf(stderr, "ravelle: %s: %s\n", what.toLocal8Bit().constData(),
                 why.toLocal8Bit().constData());
}
}  // namespace

QStringList regularFiles(const QStringList& uris, media::FileLooker& looker) {
    QStringList files;
    for (const QString& uri : uris) {
        const QUrl url(uri);
        if (!url.isValid() || !url.isLocalFile()) {
            skipped(uri, QStringLiteral("只能打开本地文件（file://），跳过"));
            continue;
        }
        const QString path = QFileInfo(url.toLocalFile()).absoluteFilePath();
        switch (looker.look(path, kLookLimitMs)) {
            case media::FileLook::Missing:
                skipped(path, QStringLiteral("找不到文件，跳过"));
                break;
            case media::FileLook::NoAnswer:
                skipped(path, QStringLiteral("文件系统没有应答，跳过"));
                break;
            case media::FileLook::MayPlay:
                files << path;
                break;
            default:
                skipped(path, QStringLiteral("不是普通文件，跳过"));
                break;
        }
    }
    return files;
}

void open(Form1& form, const QStringList& paths) {
    if (paths.isEmpty()) return;
    form.cdlg.answerNextWith(paths.first());
    errors::dispatch(form.Command1.Click);
    form.cdlg.withdrawAnswer();
    append(form, paths.mid(1));
}

void append(Form1& form, const QStringList& paths) {
    for (const QString& path : paths) {
        form.cdlg.answerNextWith(path);
        errors::dispatch(form.add.Click);
        form.cdlg.withdrawAnswer();
    }
}

const QStringList& audioExtensions() {
    static const QStringList extensions = {
        QStringLiteral("mp3"),  QStringLiteral("ogg"),  QStringLiteral("oga"),
        QStringLiteral("opus"), QStringLiteral("flac"), QStringLiteral("wav"),
        QStringLiteral("mid"),  QStringLiteral("midi"), QStringLiteral("kar"),
    };
    return extensions;
}

void collectDropped(const QList<QUrl>& urls, QObject* context,
                    std::function<void(const QStringList&)> done) {
    QPointer<QObject> receiver(context);
    // A folder on a network disk may take long, or never answer: the walk is
    // left to a thread, and the window gets its result when it comes.
    std::thread([urls, receiver, done = std::move(done)] {
        QStringList files;
        for (const QUrl& url : urls) {
            if (!url.isLocalFile()) continue;
            const QFileInfo entry(url.toLocalFile());
            if (entry.isFile()) {
                files << entry.absoluteFilePath();
            } else if (entry.isDir()) {
                QStringList inside;
                QDirIterator walk(entry.absoluteFilePath(), QDir::Files | QDir::Readable,
                                  QDirIterator::Subdirectories);
                while (walk.hasNext()) {
                    const QFileInfo file(walk.next());
                    if (audioExtensions().contains(file.suffix().toLower()))
                        inside << file.absoluteFilePath();
                }
                inside.sort();
                files << inside;
            }
        }
        // Handed over on the window's thread, where the receiver is known
        // to be there or gone.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [receiver, done, files] {
                if (receiver) done(files);
            },
            Qt::QueuedConnection);
    }).detach();
}

}  // namespace handed
