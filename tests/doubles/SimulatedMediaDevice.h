#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include "MediaDevice.h"

// A media device on a virtual clock, for tests of the player's logic: the
// contract of the GStreamer device, with files registered by path and time
// moved by advance() instead of passing.
//
//  - addFile(path, ms) registers a playable file; addFile(path, 0) one that
//    opens with Length 0 (the real device refuses such files; the player
//    must still not divide by it). addUnplayableFile(path), and any path not
//    registered, fail to open with an error report.
//  - advance(ms) moves the position while playing, raises StatusUpdate
//    every 1000 ms of virtual time counted from the last "open" (as the real
//    device's timer does), through errors::dispatch, and sets Position to
//    Length when the end is reached. Handlers may send any command from
//    inside StatusUpdate.
//  - now() reads the virtual clock; advance() moves it, and so does every
//    "open" by openTime(), which stands for the real device checking the
//    file and decoding its start (0 unless set).
//  - failPlayback() makes the open stream break off as the real device sees
//    it: the track counts as ended, with an error report.
//  - setOutputAvailable(false) stands for a machine with no sound server:
//    "open" of a playable file fails with NoOutput. loseOutput() is the
//    server going away: an open stream that plays ends with OutputLost, a
//    paused one at its next "play"; setOutputAvailable(true) brings it back.
//  - log() holds every command received, in order; "open" is logged as
//    "open <FileName>".
//  - The stream follows WaveOut's level like the real one; appliedLevel()
//    is the level word the open stream plays at.
class SimulatedMediaDevice : public QObject, public MediaDevice {
    Q_OBJECT
public:
    static constexpr int StatusPeriodMs = 1000;

    explicit SimulatedMediaDevice(QObject* parent = nullptr);

    void addFile(const QString& path, qint32 lengthMs);
    void addUnplayableFile(const QString& path);

    void setCommand(const QString& command) override;

    qint32 Length() const override { return m_open ? m_lengthMs : 0; }
    qint32 Position() const override { return m_open ? m_positionMs : 0; }

    bool isOpen() const override { return m_open; }
    bool isPlaying() const override { return m_playing; }

    // Moves the virtual clock on by ms milliseconds.
    void advance(qint64 ms);
    qint64 now() const { return m_nowMs; }
    void setOpenTime(qint64 ms) { m_openTimeMs = ms; }
    qint64 openTime() const { return m_openTimeMs; }
    void failPlayback();
    void setOutputAvailable(bool available) { m_outputAvailable = available; }
    void loseOutput();

    const QStringList& log() const { return m_log; }
    void clearLog() { m_log.clear(); }

    // The wave-out level word applied to the open stream; 0 while closed.
    quint32 appliedLevel() const { return m_open ? m_level : 0; }
    // The linear gain that level gives, as the real device sets it.
    double appliedGain() const;

private:
    void open() override;
    void play() override;
    void halt() override;
    void close() override;

    QHash<QString, qint32> m_lengths;
    QSet<QString> m_unplayable;
    QStringList m_log;

    bool m_open = false;
    bool m_playing = false;
    bool m_outputAvailable = true;
    bool m_outputLost = false;
    qint32 m_lengthMs = 0;
    qint32 m_positionMs = 0;
    qint64 m_untilStatusMs = StatusPeriodMs;
    quint32 m_level = 0;
    qint64 m_nowMs = 0;
    qint64 m_openTimeMs = 0;
};
