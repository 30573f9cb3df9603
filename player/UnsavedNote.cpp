#include "UnsavedNote.h"

#include <unistd.h>

#include <QFile>
#include <cstdio>
#include <cstring>

#include "PlaylistLayout.h"
#include "settings/AtomicReplace.h"
#include "settings/StoreFile.h"

namespace {
std::string notePath() {
    return QFile::encodeName(settings::SettingsStore::filePath(kPlaylistApplication) +
                             QStringLiteral(".unsaved"))
        .toStdString();
}
// A reason is a line or two; anything longer at that name is not a note.
constexpr off_t kMaxNoteBytes = 64 * 1024;
}  // namespace

void leaveUnsavedNote(const QString& reason) {
    const QByteArray text = reason.toUtf8();
    if (const int error = settings::replaceFile(notePath(), text.constData(), size_t(text.size())))
        std::fprintf(stderr, "ravelle: %s: %s\n", notePath().c_str(), std::strerror(error));
}

QString takeUnsavedNote() {
    const std::string path = notePath();
    const settings::StoreBytes note = settings::readStoreFile(path, kMaxNoteBytes);
    if (note.outcome != settings::StoreBytes::Outcome::Read) return {};
    ::unlink(path.c_str());
    return QString::fromUtf8(note.bytes.data(), qsizetype(note.bytes.size()));
}
