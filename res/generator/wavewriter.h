#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <span>

namespace wimbly::sound {

// A complete RIFF WAVE image of 16-bit PCM samples, interleaved when `channels` > 1, as
// parseWave (wave.h) reads it.
QByteArray makeWave(std::span<const qint16> samples, int channels, int sampleRate);

} // namespace wimbly::sound
