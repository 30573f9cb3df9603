#pragma once

#include <QString>

namespace media {

// Whether GStreamer would find nothing to decode in a file: none of the
// type finders that can name a sound-bearing type recognises the content,
// or no installed decoder, demuxer or parser takes the type they name. The
// finders are asked as the playbin's own decoder asks them (highest rank
// first, over the whole file, those that know the name's extension
// first), and the decoders are those it would choose from, so a file
// refused here is one the pipeline would refuse too, only some
// milliseconds later and after starting its threads.
//
// False when the file could not be read to the end of the question (the
// pipeline then tells what is wrong). GStreamer must be initialised.
bool holdsNothingToDecode(const QString& path);

}  // namespace media
