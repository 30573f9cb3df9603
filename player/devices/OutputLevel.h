#pragma once

#include <QtGlobal>

namespace media {

// The linear gain a stream gets for a wave-out level word. A stream has one
// gain for both channels; the player always sets both halves alike, and when
// they differ the low word (the left level) counts, as it does on an output
// device without separate channel levels.
inline double outputGain(quint32 waveOutWord) { return double(waveOutWord & 0xFFFF) / 65535.0; }

}  // namespace media
