#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace wimbly::sound {

// The numbers of the RIFF WAVE format that reading and writing an image share.
inline constexpr quint16 WaveFormatPcm = 1;
inline constexpr qsizetype WaveChunkHeaderSize = 8; // a chunk's tag and size
inline constexpr qsizetype WaveFmtMinimumSize = 16; // the "fmt " chunk of PCM

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

} // namespace wimbly::sound
