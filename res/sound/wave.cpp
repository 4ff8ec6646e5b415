#include "wave.h"

#include <QtEndian>

namespace wimbly::sound {

namespace {

constexpr quint16 WaveFormatFloat = 3;

quint16 u16(QByteArrayView bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

quint32 u32(QByteArrayView bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

bool tagIs(QByteArrayView bytes, qsizetype at, const char (&tag)[5]) {
    return bytes.sliced(at, 4) == QByteArrayView(tag, 4);
}

bool plausible(const WaveInfo& info, quint16 blockAlign) {
    if (info.channels < 1 || info.channels > 8)
        return false;
    if (info.sampleRate < 1000 || info.sampleRate > 384000)
        return false;
    const bool sizeOk =
        info.encoding == WaveInfo::Encoding::Float
            ? info.bitsPerSample == 32
            : (info.bitsPerSample == 8 || info.bitsPerSample == 16 || info.bitsPerSample == 32);
    return sizeOk && blockAlign == info.bytesPerFrame();
}

} // namespace

std::optional<WaveInfo> parseWave(QByteArrayView image) {
    constexpr qsizetype RiffHeaderSize = 12;
    if (image.size() < RiffHeaderSize || !tagIs(image, 0, "RIFF") || !tagIs(image, 8, "WAVE"))
        return std::nullopt;

    // The RIFF size may claim less than the image holds (trailing bytes) but never more.
    const qint64 riffEnd = qint64(u32(image, 4)) + WaveChunkHeaderSize;
    if (riffEnd > image.size())
        return std::nullopt;
    const qsizetype end = qsizetype(riffEnd);

    WaveInfo info;
    bool haveFormat = false;
    bool haveData = false;
    qsizetype at = RiffHeaderSize;
    while (at + WaveChunkHeaderSize <= end && !(haveFormat && haveData)) {
        const qint64 size = u32(image, at + 4);
        const qsizetype body = at + WaveChunkHeaderSize;
        if (size > end - body)
            return std::nullopt;
        if (tagIs(image, at, "fmt ")) {
            if (size < WaveFmtMinimumSize || haveFormat)
                return std::nullopt;
            const quint16 tag = u16(image, body);
            if (tag != WaveFormatPcm && tag != WaveFormatFloat)
                return std::nullopt;
            info.encoding =
                tag == WaveFormatFloat ? WaveInfo::Encoding::Float : WaveInfo::Encoding::Integer;
            info.channels = u16(image, body + 2);
            const quint32 rate = u32(image, body + 4);
            info.sampleRate = rate > 384000 ? 0 : int(rate);
            const quint16 blockAlign = u16(image, body + 12);
            info.bitsPerSample = u16(image, body + 14);
            if (!plausible(info, blockAlign))
                return std::nullopt;
            haveFormat = true;
        } else if (tagIs(image, at, "data")) {
            if (!haveFormat)
                return std::nullopt;
            info.dataOffset = body;
            info.dataSize = qsizetype(size) - qsizetype(size) % info.bytesPerFrame();
            haveData = true;
        }
        // Chunks are padded to an even size.
        at = body + qsizetype(size) + qsizetype(size & 1);
    }
    if (!haveFormat || !haveData)
        return std::nullopt;
    return info;
}

} // namespace wimbly::sound
