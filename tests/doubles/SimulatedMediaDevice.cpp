#include "SimulatedMediaDevice.h"

#include "MediaCommand.h"
#include "MediaError.h"
#include "OutputLevel.h"
#include "WaveOut.h"
#include "errors/EventDispatch.h"

SimulatedMediaDevice::SimulatedMediaDevice(QObject* parent) : QObject(parent) {
    connect(&WaveOut::instance(), &WaveOut::volumeChanged, this, [this](quint32 word) {
        if (m_open) m_level = word;
    });
}

void SimulatedMediaDevice::addFile(const QString& path, qint32 lengthMs) {
    m_unplayable.remove(path);
    m_lengths.insert(path, qMax(lengthMs, 0));
}

void SimulatedMediaDevice::addUnplayableFile(const QString& path) {
    m_lengths.remove(path);
    m_unplayable.insert(path);
}

void SimulatedMediaDevice::setCommand(const QString& command) {
    const bool opening = media::parseCommand(command) == media::Command::Open;
    m_log << (opening ? QStringLiteral("open ") + FileName() : command);
    MediaDevice::setCommand(command);
}

void SimulatedMediaDevice::play() {
    succeed();
    if (m_outputLost && m_positionMs < m_lengthMs) return endWith(media::OutputLost);
    m_playing = m_positionMs < m_lengthMs;
}

void SimulatedMediaDevice::halt() {
    succeed();
    m_playing = false;
}

void SimulatedMediaDevice::open() {
    if (m_open) close();
    m_nowMs += m_openTimeMs;
    if (FileName().isEmpty()) return fail(media::NoFileName);
    if (m_unplayable.contains(FileName())) return fail(media::NotPlayable, FileName());
    const auto found = m_lengths.constFind(FileName());
    if (found == m_lengths.cend()) return fail(media::FileNotFound, FileName());
    if (!m_outputAvailable) return fail(media::NoOutput, FileName());
    m_open = true;
    m_outputLost = false;
    m_playing = false;
    m_lengthMs = *found;
    m_positionMs = 0;
    m_untilStatusMs = StatusPeriodMs;
    m_level = WaveOut::instance().volume();
    succeed();
}

void SimulatedMediaDevice::close() {
    m_open = false;
    m_playing = false;
    m_lengthMs = 0;
    m_positionMs = 0;
}

void SimulatedMediaDevice::advance(qint64 ms) {
    while (ms > 0) {
        const qint64 step = m_open ? qMin(ms, m_untilStatusMs) : ms;
        if (m_playing) {
            m_positionMs = qint32(qMin<qint64>(m_positionMs + step, m_lengthMs));
            if (m_positionMs == m_lengthMs) {
                m_playing = false;
                notifyChange();
            }
        }
        ms -= step;
        m_nowMs += step;
        if (!m_open) continue;
        m_untilStatusMs -= step;
        if (m_untilStatusMs == 0) {
            m_untilStatusMs = StatusPeriodMs;
            const std::function<void()> handler = StatusUpdate;
            if (handler) errors::dispatch(handler);
        }
    }
}

void SimulatedMediaDevice::loseOutput() {
    m_outputAvailable = false;
    if (!m_open) return;
    m_outputLost = true;
    if (m_playing) endWith(media::OutputLost);
}

void SimulatedMediaDevice::failPlayback() {
    if (m_open) endWith(media::PlaybackFailed);
}

void SimulatedMediaDevice::endWith(int error) {
    m_positionMs = m_lengthMs;
    m_playing = false;
    fail(error, FileName());
    notifyChange();
}

double SimulatedMediaDevice::appliedGain() const { return media::outputGain(appliedLevel()); }
