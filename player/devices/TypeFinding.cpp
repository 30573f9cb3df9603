#include "TypeFinding.h"

#include <gst/gst.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// What the type finders may read of one file. The first bytes are read at
// once: nearly every finder looks only there, often asking again and
// again. Anything further is read as asked and kept until the question
// ends, as the finders hold on to what they were handed.
struct OpenFile {
    int fd = -1;
    guint64 size = 0;
    std::vector<guint8> head;
    std::vector<std::unique_ptr<guint8[]>> pieces;
    guint64 piecesBytes = 0;
    bool readFailed = false;

    GstTypeFindProbability best = GST_TYPE_FIND_NONE;
    GstCaps* caps = nullptr;
};

constexpr guint64 kHeadBytes = 64 * 1024;
// What the finders may have read beyond the head in all; none asks for
// more than a few hundred KiB of a file.
constexpr guint64 kMostPiecesBytes = 16 * 1024 * 1024;

// Reads [offset, offset + length); false on a read error. A short count
// means the file ended (or shrank) there.
bool readInto(OpenFile& file, guint8* into, guint64 offset, guint64 length, guint64* got) {
    *got = 0;
    while (*got < length) {
        const ssize_t n =
            ::pread(file.fd, into + *got, size_t(length - *got), off_t(offset + *got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        *got += guint64(n);
    }
    return true;
}

const guint8* peek(gpointer data, gint64 offset, guint size) {
    auto& file = *static_cast<OpenFile*>(data);
    if (offset < 0) {
        if (guint64(-offset) > file.size) return nullptr;
        offset += gint64(file.size);
    }
    const auto start = guint64(offset);
    if (size == 0 || start > file.size || size > file.size - start) return nullptr;
    if (start + size <= file.head.size()) return file.head.data() + start;
    if (file.readFailed || file.piecesBytes + size > kMostPiecesBytes) return nullptr;
    auto piece = std::make_unique<guint8[]>(size);
    guint64 got = 0;
    if (!readInto(file, piece.get(), start, size, &got)) file.readFailed = true;
    if (got < size) return nullptr;
    file.piecesBytes += size;
    file.pieces.push_back(std::move(piece));
    return file.pieces.back().get();
}

void suggest(gpointer data, guint probability, GstCaps* caps) {
    auto& file = *static_cast<OpenFile*>(data);
    if (probability <= guint(file.best)) return;
    gst_caps_replace(&file.caps, caps);
    file.best = GstTypeFindProbability(probability);
}

guint64 lengthOf(gpointer data) { return static_cast<OpenFile*>(data)->size; }

// What the pipeline's decoder picks its elements from; read once, as the
// plugin registry does not change while the program runs.
GList* decodingElements() {
    static GList* const elements = gst_element_factory_list_get_elements(
        GST_ELEMENT_FACTORY_TYPE_DECODABLE, GST_RANK_MARGINAL);
    return elements;
}

// Whether an element may lead to sound: a demuxer may find an audio stream
// in what it takes; an element only for pictures, video or subtitles never
// does.
bool mayLeadToSound(GstElementFactory* element) {
    const char* klass = gst_element_factory_get_metadata(element, GST_ELEMENT_METADATA_KLASS);
    if (!klass) return true;
    if (std::strstr(klass, "Audio") || std::strstr(klass, "Demux")) return true;
    return !std::strstr(klass, "Video") && !std::strstr(klass, "Image") &&
           !std::strstr(klass, "Subtitle");
}

bool someElementTakes(GstCaps* caps, bool (*acceptable)(GstElementFactory*)) {
    GList* takers = gst_element_factory_list_filter(decodingElements(), caps, GST_PAD_SINK, FALSE);
    bool any = false;
    for (GList* taker = takers; taker && !any; taker = taker->next)
        any = acceptable(GST_ELEMENT_FACTORY(taker->data));
    gst_plugin_feature_list_free(takers);
    return any;
}

bool anyElement(GstElementFactory*) { return true; }

// The type finders worth asking, highest rank first as the pipeline asks
// them: those that name a type from which sound may be decoded here. A
// file that only the others recognise (a picture, a video stream alone, a
// document, a type nothing installed decodes) holds nothing to play,
// whichever of them the pipeline would believe.
const std::vector<GstTypeFindFactory*>& soundFinders() {
    static const std::vector<GstTypeFindFactory*> finders = [] {
        std::vector<GstTypeFindFactory*> kept;
        GList* all = gst_type_find_factory_get_list();
        for (GList* item = all; item; item = item->next) {
            auto* finder = GST_TYPE_FIND_FACTORY(item->data);
            GstCaps* caps = gst_type_find_factory_get_caps(finder);
            if (caps && !someElementTakes(caps, mayLeadToSound)) continue;
            // Loaded once here: a feature from the registry's list is only
            // a stand-in until its plugin is loaded, and calling the
            // stand-in looks the plugin up by name on every call.
            if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(finder)))
                kept.push_back(GST_TYPE_FIND_FACTORY(loaded));
        }
        gst_plugin_feature_list_free(all);
        return kept;
    }();
    return finders;
}

bool hasExtension(GstTypeFindFactory* finder, const QByteArray& extension) {
    const gchar* const* extensions = gst_type_find_factory_get_extensions(finder);
    for (; extensions && *extensions; ++extensions)
        if (extension == *extensions) return true;
    return false;
}

// Asks the finders, those that know the name's extension first, until one
// is certain; the most probable type wins.
void findType(OpenFile& file, const QByteArray& extension) {
    GstTypeFind find{peek, suggest, &file, lengthOf, {}};
    const auto& finders = soundFinders();
    for (const bool matching : {true, false}) {
        if (matching && extension.isEmpty()) continue;
        for (GstTypeFindFactory* finder : finders) {
            if (!extension.isEmpty() && hasExtension(finder, extension) != matching) continue;
            gst_type_find_factory_call_function(finder, &find);
            if (file.best == GST_TYPE_FIND_MAXIMUM || file.readFailed) return;
        }
    }
}

}  // namespace

namespace media {

TypeFound findDecodableType(int fd, quint64 size, const QByteArray& extension) {
    OpenFile file;
    file.fd = fd;
    file.size = size;
    file.head.resize(size_t(std::min(file.size, kHeadBytes)));
    guint64 got = 0;
    file.readFailed = !readInto(file, file.head.data(), 0, file.head.size(), &got);
    file.head.resize(size_t(got));
    if (!file.readFailed) findType(file, extension);

    GstCaps* caps = file.caps;
    if (file.readFailed) {
        if (caps) gst_caps_unref(caps);
        return TypeFound::ReadFailed;
    }
    if (!caps) return TypeFound::Nothing;
    // Raw streams need no decoder at all.
    GstCaps* raw = gst_caps_from_string("audio/x-raw; video/x-raw; text/x-raw");
    const bool decodable = gst_caps_can_intersect(caps, raw) || someElementTakes(caps, anyElement);
    gst_caps_unref(raw);
    gst_caps_unref(caps);
    return decodable ? TypeFound::Decodable : TypeFound::Nothing;
}

}  // namespace media
