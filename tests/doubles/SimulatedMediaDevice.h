#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include "MediaDevice.h"

// A media device on a virtual clock, for tests of the player's logic: the
// GStreamer device's contract, with files registered by path and time moved
// by advance(), which raises StatusUpdate (through errors::dispatch) every
// 1000 ms counted from the last "open". A file of length 0 opens, though the
// real device refuses it; a path not registered fails to open. Each "open"
// also moves the clock by openTime(), the real device's look at the file.
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
    // The open stream breaks off: the track ends with an error report.
    void failPlayback();
    // false: no sound server, "open" fails with NoOutput. loseOutput() is the
    // server going away: a playing stream ends with OutputLost, a paused one
    // at its next "play".
    void setOutputAvailable(bool available) { m_outputAvailable = available; }
    void loseOutput();

    // Every command received, "open" as "open <FileName>".
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
    // Ends the open track at its end with this error report.
    void endWith(int error);

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
