#pragma once

namespace forms {

// A held key repeats its press; it goes up once, when it is let go.
//
// X servers without help send a release before every repeated press. Qt
// marks such a release as a repeat only when the press behind it is already
// in its queue, which on a busy machine it often is not, so a held key looks
// like many presses and releases. XKB's detectable auto-repeat, asked for on
// the program's own connection, makes the server keep those releases back
// until the real one. Asked once per process; does nothing on window systems
// that do not repeat that way (offscreen, Wayland), without XKB, or in a
// build without xcb-xkb, where Qt's own marking stays the only filter. True
// when the server agreed.
bool useDetectableKeyRepeat();

}  // namespace forms
