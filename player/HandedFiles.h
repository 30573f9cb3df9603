#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "devices/FileLook.h"

class Form1;
class QObject;

// Files the desktop hands the player: on the command line, through a file
// manager's Open, a second launch, D-Bus activation, a drop.
namespace handed {

// The local files among uris, as full paths, in order: file:// URIs of
// regular files. What is not (another scheme, a folder, a pipe, nothing
// there, a file system that does not answer in time) is left out with a
// line on standard error. Each path is looked at on looker's thread, so the
// window waits a bounded time at most.
QStringList regularFiles(const QStringList& uris, media::FileLooker& looker);

// The first file as the Open button opens the file chosen in its dialog
// (appended, opened, played), the others appended as 添加 appends.
void open(Form1& form, const QStringList& paths);
// Every file appended as 添加 appends it.
void append(Form1& form, const QStringList& paths);

// What a drop brings, as files to append in order: files as they are,
// folders as the audio files inside them (recursively, sorted by path);
// anything else is left out. The folders are walked on a thread of their
// own; done gets the files on context's thread, unless context is gone.
void collectDropped(const QList<QUrl>& urls, QObject* context,
                    std::function<void(const QStringList&)> done);

// The endings of the files the player can play, lower case without the dot.
const QStringList& audioExtensions();

}  // namespace handed
