#include "Module1.h"

#include <cmath>
#include <cstdint>

#include "devices/WaveOut.h"
#include "errors/RuntimeError.h"

namespace Module1 {

namespace {
// A level above 32767 travels as its signed 16-bit pattern: the bits stay
// those of the unsigned level.
std::int16_t channelLevel(float fraction) {
    double level = double(fraction) * 65535;
    if (level > 32767) level -= 65536;
    const double rounded = std::nearbyint(level);  // ties to even
    if (!std::isfinite(rounded) || rounded < -32768 || rounded > 32767)
        errors::raiseError(errors::Overflow);
    return std::int16_t(rounded);
}
}  // namespace

unsigned volumeWord(float fraction) {
    const std::int16_t left = channelLevel(fraction);
    const std::int16_t right = channelLevel(fraction);
    return std::uint32_t(std::uint16_t(left)) | std::uint32_t(std::uint16_t(right)) << 16;
}

void SetVolume(const float& fraction) { waveOutSetVolume(0, volumeWord(fraction)); }

}  // namespace Module1
