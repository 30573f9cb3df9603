#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "FileLook.h"
#include "MediaDevice.h"

class QSocketNotifier;
typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;

// The media device on a GStreamer playbin: WAV, MP3, Ogg Vorbis, Opus, FLAC
// and MIDI (FluidSynth with the system's General MIDI sound font).
//
// Beyond the MediaDevice contract:
//  - GStreamer starts on the first "open", never before: building the
//    window costs nothing of it.
//  - "open" looks at the file on a thread of its own (media::FileLooker),
//    then prerolls (decodes up to the first sample), waiting at most a few
//    seconds for either, so Length is known when it returns. A
//    missing, unreadable, empty, non-audio, corrupt or zero-length file
//    fails the open and leaves the device closed with its error report.
//    "open" while a file is open closes that one first.
//  - An MP3 without a length header reports no length when prerolled: its
//    length is then estimated from the file size and the stream's bit rate,
//    and replaced by the decoder's own figure once it has one.
//  - "play" continues from the position; "pause" and "stop" both halt and
//    keep it (the player always closes after "stop"). Once the track has
//    ended, Position stays at Length until "close", whatever is played.
//  - A stream that fails while it plays (its file truncated or unreadable)
//    counts as ended: Position becomes Length, so the player's end-of-track
//    step moves on, and the error report says PlaybackFailed.
//  - Without a sound output (no sound server answers, no card) "open"
//    fails with NoOutput, even where GStreamer would play into a fake sink.
//    An output that goes away while a file plays ends it as above, with
//    OutputLost; while it is paused, at the next "play".
//  - Bus messages and StatusUpdate run on the thread that made the device
//    (the UI thread); StatusUpdate goes through errors::dispatch, and its
//    handler may send any command, "close" and "open" included. It must not
//    delete the device.
//  - Every stream plays at WaveOut's level (media::outputGain) and follows
//    it while it plays.
class GstMediaDevice : public QObject, public MediaDevice {
    Q_OBJECT
public:
    // sinkDescription is a GStreamer launch description of the audio
    // output, e.g. "fakesink sync=true" for tests that play in real time.
    explicit GstMediaDevice(const QString& sinkDescription = QStringLiteral("autoaudiosink"),
                            QObject* parent = nullptr);
    ~GstMediaDevice() override;

    qint32 Length() const override;
    qint32 Position() const override;

    bool isOpen() const override { return m_open; }
    TrackTags tags() const override { return m_open ? m_tags : TrackTags(); }
    bool isPlaying() const override { return m_open && m_playing; }

    // How long "open" waits for the decoder to get ready.
    static constexpr int PrerollLimitMs = 5000;
    // How long "open" waits for the file system to answer its look at the
    // file: far beyond what a local disk or a live network share takes.
    static constexpr int LookLimitMs = 5000;
    // FluidSynth's gain for MIDI files. Its default, 0.2, leaves a full
    // arrangement (drums, bass, chords) some 9 dB below ordinary music and
    // a lone melody 25 dB below; 0.5 brings the arrangement to the level of
    // other files with its peaks about at full scale. A higher gain would
    // lift a lone melody further but clip every busy tune.
    static constexpr double MidiSynthGain = 0.5;

private:
    void open() override;
    void play() override;
    void halt() override;
    void close() override;

    bool ensurePipeline();
    int preroll();
    int readLength();
    bool reachesOutput() const;
    bool comesFromOutput(GstMessage* message) const;
    qint64 estimatedLengthMs() const;
    // The stream's tags as playbin has gathered them; true if they changed.
    bool readTags();
    void applyOutputLevel();

    void drainBus();
    void onBusReadable();
    void handleMessage(GstMessage* message);
    void raiseStatusUpdate();

    QString m_sinkDescription;

    // Tests and benchmarks read playbin's properties and watch its sink.
    friend class GstMediaDeviceProbe;

    // Null before the first "open".
    GstElement* m_playbin = nullptr;
    GstElement* m_sink = nullptr;  // owned by m_playbin
    GstBus* m_bus = nullptr;
    QSocketNotifier* m_busNotifier = nullptr;
    QTimer m_statusTimer;
    media::FileLooker m_looker;

    bool m_open = false;
    bool m_playing = false;
    bool m_ended = false;
    bool m_outputLost = false;
    qint32 m_lengthMs = 0;
    TrackTags m_tags;
    mutable qint32 m_lastPositionMs = 0;
};
