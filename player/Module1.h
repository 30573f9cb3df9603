#pragma once

// The player's code module.
namespace Module1 {

// Sets both channels of output device 0 to fraction (0 to 1) of full scale.
// A failure of the device goes unnoticed.
void SetVolume(const float& fraction);

// The device's volume word for a fraction: each channel's level is
// fraction x 65535 rounded to the nearest, ties to even; the left channel in
// the low 16 bits, the right in the high 16 bits.
unsigned volumeWord(float fraction);

}  // namespace Module1
