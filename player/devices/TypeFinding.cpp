#include "TypeFinding.h"

#include <fcntl.h>
#include <gst/base/gsttypefindhelper.h>
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace {

// The file as the type finders read it: pieces at any offset, as a
// file source element would hand them out.
struct OpenFile {
    int fd = -1;
    guint64 size = 0;
    bool readFailed = false;
    // The file's first bytes, read at once: nearly every finder looks only
    // there, often asking again and again, and a read each time is what a
    // skip over many small bad files would spend its time on.
    GstBuffer* head = nullptr;
    guint64 headSize = 0;
};

constexpr guint64 kHeadBytes = 64 * 1024;

// Reads [offset, offset + length) into memory; false on a read error. A
// short count means the file ended (or shrank) there.
bool readInto(OpenFile* file, guint8* into, guint64 offset, guint64 length, guint64* got) {
    *got = 0;
    while (*got < length) {
        const ssize_t n =
            ::pread(file->fd, into + *got, size_t(length - *got), off_t(offset + *got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        *got += guint64(n);
    }
    return true;
}

const char* const FileKey = "ravelle-open-file";

GstFlowReturn readRange(GstObject* asker, GstObject*, guint64 offset, guint length,
                        GstBuffer** buffer) {
    auto* file = static_cast<OpenFile*>(g_object_get_data(G_OBJECT(asker), FileKey));
    if (offset >= file->size) return GST_FLOW_EOS;
    const guint64 wanted = MIN(guint64(length), file->size - offset);
    if (offset + wanted <= file->headSize) {
        *buffer = gst_buffer_copy_region(file->head, GST_BUFFER_COPY_MEMORY, gsize(offset),
                                         gsize(wanted));
        return *buffer ? GST_FLOW_OK : GST_FLOW_ERROR;
    }
    GstBuffer* piece = gst_buffer_new_allocate(nullptr, gsize(wanted), nullptr);
    if (!piece) return GST_FLOW_ERROR;
    GstMapInfo map;
    gst_buffer_map(piece, &map, GST_MAP_WRITE);
    guint64 got = 0;
    if (!readInto(file, map.data, offset, wanted, &got)) file->readFailed = true;
    gst_buffer_unmap(piece, &map);
    if (file->readFailed || got == 0) {
        gst_buffer_unref(piece);
        return file->readFailed ? GST_FLOW_ERROR : GST_FLOW_EOS;
    }
    gst_buffer_set_size(piece, gssize(got));
    *buffer = piece;
    return GST_FLOW_OK;
}

// What the pipeline's decoder picks its elements from; read once, as the
// plugin registry does not change while the program runs.
GList* decodingElements() {
    static GList* const elements = gst_element_factory_list_get_elements(
        GST_ELEMENT_FACTORY_TYPE_DECODABLE, GST_RANK_MARGINAL);
    return elements;
}

bool someElementTakes(GstCaps* caps) {
    // Raw streams need no decoder at all.
    GstCaps* raw = gst_caps_from_string("audio/x-raw; video/x-raw; text/x-raw");
    const bool isRaw = gst_caps_can_intersect(caps, raw);
    gst_caps_unref(raw);
    if (isRaw) return true;
    GList* takers = gst_element_factory_list_filter(decodingElements(), caps, GST_PAD_SINK, FALSE);
    const bool any = takers != nullptr;
    gst_plugin_feature_list_free(takers);
    return any;
}

}  // namespace

namespace media {

bool holdsNothingToDecode(const QString& path) {
    // Only a regular file is read; O_NONBLOCK keeps a FIFO put in its place
    // since it was looked at from waiting for a writer.
    OpenFile file;
    file.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0) return false;
    struct stat status {};
    if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
        ::close(file.fd);
        return false;
    }
    file.size = guint64(status.st_size);
    file.head = gst_buffer_new_allocate(nullptr, gsize(MIN(file.size, kHeadBytes)), nullptr);
    GstMapInfo map;
    gst_buffer_map(file.head, &map, GST_MAP_WRITE);
    if (!readInto(&file, map.data, 0, map.size, &file.headSize)) file.readFailed = true;
    gst_buffer_unmap(file.head, &map);
    gst_buffer_set_size(file.head, gssize(file.headSize));
    if (file.readFailed) {
        gst_buffer_unref(file.head);
        ::close(file.fd);
        return false;
    }

    GstObject* asker = GST_OBJECT(gst_object_ref_sink(gst_pad_new("typefind", GST_PAD_SINK)));
    g_object_set_data(G_OBJECT(asker), FileKey, &file);
    const QByteArray extension = QFileInfo(path).suffix().toLower().toUtf8();
    GstTypeFindProbability probability = GST_TYPE_FIND_NONE;
    GstCaps* caps = gst_type_find_helper_get_range(
        asker, nullptr, readRange, file.size, extension.isEmpty() ? nullptr : extension.constData(),
        &probability);
    gst_object_unref(asker);
    gst_buffer_unref(file.head);
    ::close(file.fd);

    if (file.readFailed) {
        if (caps) gst_caps_unref(caps);
        return false;
    }
    if (!caps) return true;
    const bool decodable = someElementTakes(caps);
    gst_caps_unref(caps);
    return !decodable;
}

}  // namespace media
