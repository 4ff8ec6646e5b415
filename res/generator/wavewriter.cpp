#include "wavewriter.h"

#include "wave.h"

#include <QtEndian>

#include <algorithm>

namespace wimbly::sound {

QByteArray makeWave(std::span<const qint16> samples, int channels, int sampleRate) {
    constexpr qsizetype HeaderSize = 44;
    const auto dataSize = quint32(samples.size() * sizeof(qint16));
    const auto blockAlign = quint16(channels * int(sizeof(qint16)));

    QByteArray image(HeaderSize + qsizetype(dataSize), Qt::Uninitialized);
    char* out = image.data();
    auto put = [&out](auto value) {
        qToLittleEndian(value, out);
        out += sizeof(value);
    };
    auto tag = [&out](const char(&name)[5]) {
        std::copy_n(name, 4, out);
        out += 4;
    };
    tag("RIFF");
    put(quint32(HeaderSize - WaveChunkHeaderSize + dataSize));
    tag("WAVE");
    tag("fmt ");
    put(quint32(WaveFmtMinimumSize));
    put(WaveFormatPcm);
    put(quint16(channels));
    put(quint32(sampleRate));
    put(quint32(sampleRate) * blockAlign);
    put(blockAlign);
    put(quint16(16));
    tag("data");
    put(dataSize);
    for (qint16 sample : samples)
        put(sample);
    return image;
}

} // namespace wimbly::sound
