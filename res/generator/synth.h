#pragma once

#include <QByteArray>

namespace wimbly::sound {

// The sample format of every synthesized cue: 16-bit PCM, mono.
inline constexpr int SampleRate = 22050;
inline constexpr int Channels = 1;

// Renders sound cue `id` (101..105) from its recipe into a complete RIFF WAVE image.
// The same id always gives the same bytes. Returns an empty array for any other id.
// Every cue peaks at or below -1 dBFS, starts and ends at silence, and has about the same
// loudness as the others.
QByteArray synthesizeCue(int id);

} // namespace wimbly::sound
