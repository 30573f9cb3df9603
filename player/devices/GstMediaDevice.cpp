#include "GstMediaDevice.h"

#include <gst/gst.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QUrl>
#include <limits>

#include "FileLook.h"
#include "MediaCommand.h"
#include "MediaError.h"
#include "MidiSynth.h"
#include "OutputLevel.h"
#include "WaveOut.h"
#include "errors/EventDispatch.h"

namespace {

constexpr int StatusPeriodMs = 1000;

// playbin's flags: audio only, through its own volume element. With video
// or subtitles allowed, a file holding a picture would bring up a video
// sink of its own (and a window).
constexpr guint PlayAudio = 0x02;
constexpr guint PlaySoftVolume = 0x10;

qint32 toMilliseconds(gint64 nanoseconds) {
    const gint64 ms = nanoseconds / GST_MSECOND;
    return ms > std::numeric_limits<qint32>::max() ? std::numeric_limits<qint32>::max()
                                                   : qint32(qMax<gint64>(ms, 0));
}

void onElementSetup(GstElement*, GstElement* element, gpointer) {
    media::tuneMidiSynth(element, GstMediaDevice::MidiSynthGain);
}

// The output the description names: a single element as it is (so its
// properties stay reachable through playbin's "audio-sink"), several as a
// bin with a ghost pad.
GstElement* makeSink(const QByteArray& description) {
    GError* error = nullptr;
    GstElement* sink = gst_parse_launch(description.constData(), &error);
    if (error) {
        g_clear_error(&error);
        if (sink) gst_object_unref(sink);
        return nullptr;
    }
    if (sink && GST_IS_PIPELINE(sink)) {
        gst_object_unref(sink);
        sink = gst_parse_bin_from_description(description.constData(), TRUE, &error);
        if (error) {
            g_clear_error(&error);
            if (sink) gst_object_unref(sink);
            return nullptr;
        }
    }
    return sink;
}

}  // namespace

GstMediaDevice::GstMediaDevice(const QString& sinkDescription, QObject* parent)
    : QObject(parent), m_sinkDescription(sinkDescription) {
    m_statusTimer.setInterval(StatusPeriodMs);
    m_statusTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_statusTimer, &QTimer::timeout, this, &GstMediaDevice::raiseStatusUpdate);
    connect(&WaveOut::instance(), &WaveOut::volumeChanged, this, &GstMediaDevice::applyOutputLevel);
}

GstMediaDevice::~GstMediaDevice() {
    m_statusTimer.stop();
    delete m_busNotifier;
    if (m_playbin) gst_element_set_state(m_playbin, GST_STATE_NULL);
    if (m_bus) gst_object_unref(m_bus);
    if (m_playbin) gst_object_unref(m_playbin);
}

qint32 GstMediaDevice::Length() const { return m_open ? m_lengthMs : 0; }

qint32 GstMediaDevice::Position() const {
    if (!m_open) return 0;
    if (m_ended) return m_lengthMs;
    // GStreamer's last position may fall short of or run past the length;
    // only the end of the stream may read as the length itself.
    gint64 ns = -1;
    if (gst_element_query_position(m_playbin, GST_FORMAT_TIME, &ns) && ns >= 0)
        m_lastPositionMs = toMilliseconds(ns);
    return qBound(0, m_lastPositionMs, m_lengthMs - 1);
}

void GstMediaDevice::open() {
    if (m_open) close();
    const QString path = FileName();
    if (path.isEmpty()) return fail(media::NoFileName);

    if (!ensurePipeline()) return fail(media::BackendUnavailable);
    // The file is looked at before the pipeline gets it: GStreamer would
    // report the plain failures all as one "could not read" error, and what
    // no decoder here takes would fail the preroll all the same, only some
    // milliseconds later; a skip over many broken files costs a tenth of a
    // millisecond each this way. The look runs where a file system that
    // stops answering cannot hold up the window.
    switch (m_looker.look(path, LookLimitMs)) {
        case media::FileLook::Missing:
            return fail(media::FileNotFound, path);
        case media::FileLook::NotAFile:
            return fail(media::NotAFile, path);
        case media::FileLook::Unreadable:
            return fail(media::Unreadable, path);
        case media::FileLook::Empty:
            return fail(media::EmptyFile, path);
        case media::FileLook::NothingToDecode:
            return fail(media::NotPlayable, path);
        case media::FileLook::NoAnswer:
            return fail(media::OpenTimeout, path);
        case media::FileLook::MayPlay:
            break;
    }
    drainBus();
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    g_object_set(m_playbin, "uri", uri.constData(), nullptr);
    applyOutputLevel();

    if (const int error = preroll(); error != media::NoError) {
        gst_element_set_state(m_playbin, GST_STATE_NULL);
        drainBus();
        return fail(error, path);
    }
    m_open = true;
    m_playing = false;
    m_ended = false;
    m_outputLost = false;
    m_lastPositionMs = 0;
    m_tags = {};
    readTags();
    m_busNotifier->setEnabled(true);
    m_statusTimer.start();
    succeed();
}

int GstMediaDevice::preroll() {
    const GstStateChangeReturn change = gst_element_set_state(m_playbin, GST_STATE_PAUSED);
    if (change == GST_STATE_CHANGE_FAILURE) {
        // An output that cannot start at all (its server is gone) says so on
        // the bus; the file is not to blame then.
        GstMessage* error = gst_bus_pop_filtered(m_bus, GST_MESSAGE_ERROR);
        const bool fromOutput = error && comesFromOutput(error);
        if (error) gst_message_unref(error);
        return fromOutput ? media::NoOutput : media::NotPlayable;
    }
    if (change == GST_STATE_CHANGE_ASYNC) {
        const QDeadlineTimer deadline(PrerollLimitMs);
        for (;;) {
            const qint64 left = deadline.remainingTime();
            GstMessage* message =
                left > 0 ? gst_bus_timed_pop_filtered(
                               m_bus, GstClockTime(left) * GST_MSECOND,
                               GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR))
                         : nullptr;
            if (!message) return media::OpenTimeout;
            const GstMessageType type = GST_MESSAGE_TYPE(message);
            const bool fromOutput = comesFromOutput(message);
            gst_message_unref(message);
            if (type == GST_MESSAGE_ERROR) return fromOutput ? media::NoOutput : media::NotPlayable;
            if (type == GST_MESSAGE_ASYNC_DONE) break;
        }
    }
    // A file GStreamer can decode but that holds no sound (a picture, say)
    // prerolls without any audio stream.
    gint audioStreams = 0;
    g_object_get(m_playbin, "n-audio", &audioStreams, nullptr);
    if (audioStreams <= 0) return media::NotPlayable;
    if (!reachesOutput()) return media::NoOutput;
    return readLength();
}

bool GstMediaDevice::comesFromOutput(GstMessage* message) const {
    GstObject* source = GST_MESSAGE_SRC(message);
    return source &&
           (source == GST_OBJECT(m_sink) || gst_object_has_as_ancestor(source, GST_OBJECT(m_sink)));
}

bool GstMediaDevice::reachesOutput() const {
    // When no output it knows will open (no sound server, no card), the
    // automatic sink quietly stands in a fake one that plays into nothing
    // in real time: the player would show a track playing that nobody
    // hears.
    const auto factoryIs = [](GstElement* element, const char* name) {
        GstElementFactory* factory = gst_element_get_factory(element);
        return factory && g_strcmp0(GST_OBJECT_NAME(factory), name) == 0;
    };
    if (!factoryIs(m_sink, "autoaudiosink") || !GST_IS_BIN(m_sink)) return true;
    bool reaches = true;
    GstIterator* children = gst_bin_iterate_elements(GST_BIN(m_sink));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
        auto* child = GST_ELEMENT(g_value_get_object(&item));
        if (factoryIs(child, "fakesink") || factoryIs(child, "fakeaudiosink")) reaches = false;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(children);
    return reaches;
}

int GstMediaDevice::readLength() {
    gint64 ns = -1;
    if (gst_element_query_duration(m_playbin, GST_FORMAT_TIME, &ns) && ns >= 0) {
        m_lengthMs = toMilliseconds(ns);
    } else {
        const qint64 estimate = estimatedLengthMs();
        if (estimate < 0) return media::UnknownLength;
        m_lengthMs = qint32(qMin<qint64>(estimate, std::numeric_limits<qint32>::max()));
    }
    return m_lengthMs > 0 ? media::NoError : media::ZeroLength;
}

namespace {
QString tagText(const GstTagList* tags, const char* tag) {
    gchar* value = nullptr;
    if (!gst_tag_list_get_string(tags, tag, &value)) return {};
    const QString text = QString::fromUtf8(value).trimmed();
    g_free(value);
    return text;
}
}  // namespace

bool GstMediaDevice::readTags() {
    GstTagList* tags = nullptr;
    g_signal_emit_by_name(m_playbin, "get-audio-tags", 0, &tags);
    if (!tags) return false;
    TrackTags read;
    read.title = tagText(tags, GST_TAG_TITLE);
    read.artist = tagText(tags, GST_TAG_ARTIST);
    read.album = tagText(tags, GST_TAG_ALBUM);
    guint track = 0;
    if (gst_tag_list_get_uint(tags, GST_TAG_TRACK_NUMBER, &track)) read.trackNumber = int(track);
    GstSample* picture = nullptr;
    if (gst_tag_list_get_sample(tags, GST_TAG_IMAGE, &picture) ||
        gst_tag_list_get_sample(tags, GST_TAG_PREVIEW_IMAGE, &picture)) {
        GstBuffer* buffer = gst_sample_get_buffer(picture);
        GstMapInfo map;
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            read.cover = QByteArray(reinterpret_cast<const char*>(map.data), qsizetype(map.size));
            gst_buffer_unmap(buffer, &map);
        }
        if (const GstCaps* caps = gst_sample_get_caps(picture); caps && gst_caps_get_size(caps))
            read.coverType =
                QString::fromUtf8(gst_structure_get_name(gst_caps_get_structure(caps, 0)));
        gst_sample_unref(picture);
    }
    gst_tag_list_unref(tags);
    if (read == m_tags) return false;
    m_tags = read;
    return true;
}

qint64 GstMediaDevice::estimatedLengthMs() const {
    // An MP3 without a length header gets its duration from the decoder
    // only after some hundred milliseconds of playing; until then the file
    // size at the bit rate its first frame announces is a close figure.
    GstTagList* tags = nullptr;
    g_signal_emit_by_name(m_playbin, "get-audio-tags", 0, &tags);
    guint bitrate = 0;
    if (tags) {
        if (!gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &bitrate) || bitrate == 0)
            gst_tag_list_get_uint(tags, GST_TAG_NOMINAL_BITRATE, &bitrate);
        gst_tag_list_unref(tags);
    }
    if (bitrate == 0) return -1;
    return QFileInfo(FileName()).size() * 8000 / bitrate;
}

void GstMediaDevice::play() {
    succeed();
    if (m_outputLost && !m_ended) {
        // Lost while paused: there is nothing to go on to.
        m_ended = true;
        fail(media::OutputLost, FileName());
        notifyChange();
        return;
    }
    if (m_ended || m_playing) return;
    if (gst_element_set_state(m_playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        m_ended = true;
        return fail(media::PlaybackFailed, FileName());
    }
    m_playing = true;
}

void GstMediaDevice::halt() {
    succeed();
    if (m_ended || !m_playing) return;
    // Read the place before halting: the position query is briefly
    // unanswered while the sink goes back to its prerolled state.
    Position();
    gst_element_set_state(m_playbin, GST_STATE_PAUSED);
    m_playing = false;
}

void GstMediaDevice::close() {
    if (!m_open) return;
    m_statusTimer.stop();
    m_busNotifier->setEnabled(false);
    gst_element_set_state(m_playbin, GST_STATE_NULL);
    drainBus();
    m_open = false;
    m_playing = false;
    m_ended = false;
    m_outputLost = false;
    m_lengthMs = 0;
    m_lastPositionMs = 0;
}

bool GstMediaDevice::ensurePipeline() {
    if (m_playbin) return true;
    GError* error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
        g_clear_error(&error);
        return false;
    }
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* sink = makeSink(m_sinkDescription.toUtf8());
    GstElement* noVideo = gst_element_factory_make("fakesink", nullptr);
    GstElement* noText = gst_element_factory_make("fakesink", nullptr);
    if (!playbin || !sink || !noVideo || !noText) {
        for (GstElement* element : {playbin, sink, noVideo, noText})
            if (element) gst_object_unref(element);
        return false;
    }
    g_object_set(playbin, "audio-sink", sink, "video-sink", noVideo, "text-sink", noText, "flags",
                 PlayAudio | PlaySoftVolume, nullptr);
    g_signal_connect(playbin, "element-setup", G_CALLBACK(onElementSetup), nullptr);
    m_playbin = GST_ELEMENT(gst_object_ref_sink(playbin));
    m_sink = sink;

    // Messages are taken on this thread: the bus's descriptor is readable
    // while messages wait, whichever event loop Qt runs.
    m_bus = gst_element_get_bus(m_playbin);
    GPollFD pollFd{};
    gst_bus_get_pollfd(m_bus, &pollFd);
    m_busNotifier = new QSocketNotifier(qintptr(pollFd.fd), QSocketNotifier::Read, this);
    m_busNotifier->setEnabled(false);
    connect(m_busNotifier, &QSocketNotifier::activated, this, &GstMediaDevice::onBusReadable);
    return true;
}

void GstMediaDevice::applyOutputLevel() {
    if (m_playbin)
        g_object_set(m_playbin, "volume", media::outputGain(WaveOut::instance().volume()), nullptr);
}

void GstMediaDevice::drainBus() {
    while (GstMessage* message = gst_bus_pop(m_bus)) gst_message_unref(message);
}

void GstMediaDevice::onBusReadable() {
    while (GstMessage* message = gst_bus_pop(m_bus)) {
        if (m_open) handleMessage(message);
        gst_message_unref(message);
    }
}

void GstMediaDevice::handleMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            m_ended = true;
            m_playing = false;
            notifyChange();
            break;
        case GST_MESSAGE_ERROR:
            if (m_ended) break;
            if (comesFromOutput(message)) {
                // The sound server went away (a restart, a crash). A paused
                // track keeps its place until it is told to play.
                m_outputLost = true;
                if (!m_playing) break;
                m_ended = true;
                m_playing = false;
                fail(media::OutputLost, FileName());
                notifyChange();
                break;
            }
            // A stream that breaks off counts as ended, so the player's
            // end-of-track step moves on instead of waiting for ever.
            m_ended = true;
            m_playing = false;
            fail(media::PlaybackFailed, FileName());
            notifyChange();
            break;
        case GST_MESSAGE_TAG:
            // A stream may name itself only once it plays (a radio stream's
            // title, tags after the first frames).
            if (readTags()) notifyChange();
            break;
        case GST_MESSAGE_DURATION_CHANGED: {
            gint64 ns = -1;
            if (gst_element_query_duration(m_playbin, GST_FORMAT_TIME, &ns) && ns > 0 &&
                toMilliseconds(ns) > 0 && toMilliseconds(ns) != m_lengthMs) {
                m_lengthMs = toMilliseconds(ns);
                notifyChange();
            }
            break;
        }
        case GST_MESSAGE_CLOCK_LOST:
            // The output that gave the clock went away; going through PAUSED
            // makes the pipeline pick another.
            if (m_playing && !m_ended) {
                gst_element_set_state(m_playbin, GST_STATE_PAUSED);
                gst_element_set_state(m_playbin, GST_STATE_PLAYING);
            }
            break;
        default:
            break;
    }
}

void GstMediaDevice::raiseStatusUpdate() {
    if (!m_open) return;
    // A copy: the handler may replace StatusUpdate, or close and reopen
    // the device, while it runs.
    const std::function<void()> handler = StatusUpdate;
    if (handler) errors::dispatch(handler);
}
