#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace media {

enum class TypeFound {
    Nothing,     // nothing GStreamer here could decode
    Decodable,   // a type some installed decoder, demuxer or parser takes
    ReadFailed,  // the file could not be read to the end of the question
};

// What GStreamer's type finders make of an open regular file of `size`
// bytes. Only the finders that can name a type from which sound may be
// decoded here are asked; they are asked as the playbin's own decoder asks
// them (highest rank first, over the whole file, those that know the
// name's `extension` first), and the decoders are those it would choose
// from. So a file found to hold Nothing is one the pipeline would refuse
// too, only some milliseconds later and after starting its threads.
// GStreamer must be initialised.
TypeFound findDecodableType(int fd, quint64 size, const QByteArray& extension);

}  // namespace media
