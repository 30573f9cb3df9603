#pragma once

#include <QObject>
#include <QtGlobal>

// The player's own output level, standing in for the wave-out volume of
// output device 0: a 32-bit word with the left channel's level (0..0xFFFF)
// in the low 16 bits and the right channel's in the high 16 bits. Every
// media device applies the current level to the stream it plays, and to
// every stream opened later.
class WaveOut : public QObject {
    Q_OBJECT
public:
    static WaveOut& instance();

    quint32 volume() const { return m_volume; }
    quint16 left() const { return quint16(m_volume & 0xFFFF); }
    quint16 right() const { return quint16(m_volume >> 16); }

signals:
    void volumeChanged(quint32 word);

private:
    friend unsigned waveOutSetVolume(unsigned device, quint32 volume);
    quint32 m_volume = 0xFFFFFFFF;
};

// Sets the level of output device 0 (the only one). Any other device number
// is refused with a non-zero result; callers do not look at it.
unsigned waveOutSetVolume(unsigned device, quint32 volume);
