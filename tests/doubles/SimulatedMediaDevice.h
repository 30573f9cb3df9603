#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include "MediaDevice.h"

// The GStreamer device's contract on a virtual clock: files registered by
// path, time moved by advance() (StatusUpdate every 1000 ms from the last
// "open", which itself takes openTime()). Unlike the real device it opens a
// file of length 0.
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
