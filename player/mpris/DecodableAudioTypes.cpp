#include "DecodableAudioTypes.h"

#include <gst/gst.h>

#include <QSet>
#include <algorithm>

namespace {
bool isFileType(const char* name) {
    return g_str_has_prefix(name, "audio/") && !g_str_has_prefix(name, "audio/x-raw") &&
           !g_str_has_prefix(name, "audio/x-unaligned-raw");
}

bool takesMedia(GstElementFactory* factory) {
    for (GstElementFactoryListType kind :
         {GST_ELEMENT_FACTORY_TYPE_DECODER, GST_ELEMENT_FACTORY_TYPE_DEMUXER,
          GST_ELEMENT_FACTORY_TYPE_PARSER})
        if (gst_element_factory_list_is_type(factory, kind)) return true;
    return false;
}

void addSinkTypes(GstElementFactory* factory, QSet<QString>& types) {
    for (const GList* item = gst_element_factory_get_static_pad_templates(factory); item;
         item = item->next) {
        auto* pad = static_cast<GstStaticPadTemplate*>(item->data);
        if (pad->direction != GST_PAD_SINK) continue;
        GstCaps* caps = gst_static_caps_get(&pad->static_caps);
        for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
            const char* name = gst_structure_get_name(gst_caps_get_structure(caps, i));
            if (isFileType(name)) types.insert(QString::fromUtf8(name));
        }
        gst_caps_unref(caps);
    }
}
}  // namespace

QStringList decodableAudioTypes() {
    if (!gst_init_check(nullptr, nullptr, nullptr)) return {};
    QSet<QString> types;
    // Playback considers elements from the marginal rank up.
    GList* factories =
        gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_ANY, GST_RANK_MARGINAL);
    for (GList* item = factories; item; item = item->next) {
        auto* factory = GST_ELEMENT_FACTORY(item->data);
        if (takesMedia(factory)) addSinkTypes(factory, types);
    }
    gst_plugin_feature_list_free(factories);
    QStringList sorted(types.cbegin(), types.cend());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}
