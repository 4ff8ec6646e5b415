#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>
#include <span>

namespace wimbly::sound {

// Where the samples of a RIFF WAVE image are and how to read them.
struct WaveInfo {
    enum class Encoding { Integer, Float };

    Encoding encoding = Encoding::Integer;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;    // 8 (unsigned), 16 or 32 (signed) for Integer; 32 for Float
    qsizetype dataOffset = 0; // first byte of the samples within the image
    qsizetype dataSize = 0;   // bytes of whole sample frames

    int bytesPerFrame() const { return channels * bitsPerSample / 8; }
    qsizetype frames() const { return dataSize / bytesPerFrame(); }
    double seconds() const { return double(frames()) / sampleRate; }
};

// Reads the header of a RIFF WAVE image holding uncompressed samples. Returns nothing for an
// image that is truncated, inconsistent or in a format other than PCM or 32-bit float, so that
// the caller never reads outside `image`. Chunks other than "fmt " and "data" are skipped.
std::optional<WaveInfo> parseWave(QByteArrayView image);

// A complete RIFF WAVE image of 16-bit PCM samples, interleaved when `channels` > 1.
QByteArray makeWave(std::span<const qint16> samples, int channels, int sampleRate);

} // namespace wimbly::sound
