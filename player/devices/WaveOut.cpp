#include "WaveOut.h"

WaveOut& WaveOut::instance() {
    static WaveOut level;
    return level;
}

unsigned waveOutSetVolume(unsigned device, quint32 volume) {
    // The result of a bad device number (no such device); callers ignore it.
    constexpr unsigned BadDeviceId = 2;
    if (device != 0) return BadDeviceId;
    WaveOut& out = WaveOut::instance();
    if (out.m_volume != volume) {
        out.m_volume = volume;
        emit out.volumeChanged(volume);
    }
    return 0;
}
