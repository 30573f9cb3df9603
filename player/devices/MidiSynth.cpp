#include "MidiSynth.h"

#include <gst/gst.h>

#include <QFileInfo>
#include <QString>

namespace media {

const char* generalMidiSoundFont() {
    // Resolved once; the first call may come from any streaming thread, and
    // a function-local static is initialised safely.
    static const QByteArray path = [] {
        for (const char* candidate :
             {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
              "/usr/share/sounds/sf3/default-GM.sf3"}) {
            if (QFileInfo(QString::fromLatin1(candidate)).isReadable())
                return QByteArray(candidate);
        }
        return QByteArray();
    }();
    return path.constData();
}

void tuneMidiSynth(GstElement* element, double gain) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory || g_strcmp0(GST_OBJECT_NAME(factory), "fluiddec") != 0) return;
    const char* font = generalMidiSoundFont();
    if (font[0] != '\0') g_object_set(element, "soundfont", font, nullptr);
    g_object_set(element, "synth-gain", gain, nullptr);
}

}  // namespace media
