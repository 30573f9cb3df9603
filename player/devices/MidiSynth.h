#pragma once

typedef struct _GstElement GstElement;

namespace media {

// Tunes a FluidSynth decoder as playbin creates it: the Debian General MIDI
// sound font, and a gain that brings MIDI up to the loudness of other
// files. Other elements are left alone. It runs on GStreamer's streaming
// threads and touches nothing but the element.
void tuneMidiSynth(GstElement* element, double gain);

// The sound font MIDI files play with: the small General MIDI font that
// comes with FluidSynth on Debian, or the system default; empty when
// neither is installed (FluidSynth then looks for one itself).
const char* generalMidiSoundFont();

}  // namespace media
