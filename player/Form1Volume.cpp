// The volume: the scroll bar's value goes through the hidden slider and
// becomes the output level of both channels.
#include "Form1.h"
#include "Module1.h"

namespace {
// The slider's Value, reached by its dispatch identifier.
constexpr com::DispId kValue = 1745027073;
}  // namespace

void Form1::HScroll1_Change() {
    const int v = HScroll1.Value();
    qint32 w = v;
    if (vsVolume) {
        vsVolume->put(kValue, com::Variant(qint32(v)));
        w = vsVolume->get(kValue).toInt32();
    }
    const float fraction = float(double(w) / 32767);
    Module1::SetVolume(fraction);
}
