#include "bmp.h"

#include <QtEndian>

#include <cstdlib>

namespace wimbly::res {

namespace {

constexpr qsizetype FileHeaderSize = 14;
constexpr qsizetype InfoHeaderMinSize = 40;
constexpr int MaxSide = 16384;

template <typename T> T readLittle(QByteArrayView bytes, qsizetype at) {
    return qFromLittleEndian<T>(bytes.data() + at);
}

} // namespace

QImage decodeBmp24(QByteArrayView bytes) {
    if (bytes.size() < FileHeaderSize + InfoHeaderMinSize || bytes[0] != 'B' || bytes[1] != 'M')
        return {};
    const quint32 pixelOffset = readLittle<quint32>(bytes, 10);
    const quint32 infoSize = readLittle<quint32>(bytes, 14);
    const qint32 width = readLittle<qint32>(bytes, 18);
    const qint32 signedHeight = readLittle<qint32>(bytes, 22);
    const quint16 planes = readLittle<quint16>(bytes, 26);
    const quint16 bitsPerPixel = readLittle<quint16>(bytes, 28);
    const quint32 compression = readLittle<quint32>(bytes, 30);
    if (infoSize < InfoHeaderMinSize || planes != 1 || bitsPerPixel != 24 || compression != 0)
        return {};
    // A negative height marks rows stored top-down.
    const bool bottomUp = signedHeight > 0;
    const qint64 height = std::llabs(qint64(signedHeight));
    if (width <= 0 || width > MaxSide || height == 0 || height > MaxSide)
        return {};

    const qsizetype stride = (qsizetype(width) * 3 + 3) & ~qsizetype(3);
    if (pixelOffset < FileHeaderSize + infoSize || pixelOffset > quint32(bytes.size()) ||
        (bytes.size() - qsizetype(pixelOffset)) / stride < height)
        return {};

    // The screen's own format, so turning the image into a pixmap needs no conversion.
    QImage image(width, int(height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    uchar* rows = image.bits();
    const qsizetype rowBytes = image.bytesPerLine();
    for (int y = 0; y < int(height); ++y) {
        const auto* source = reinterpret_cast<const uchar*>(bytes.data()) + pixelOffset +
                             stride * (bottomUp ? height - 1 - y : y);
        auto* target = reinterpret_cast<QRgb*>(rows + rowBytes * y);
        // A pixel is stored blue, green, red: read as a little-endian word, its low three bytes
        // are already 0xRRGGBB. Every pixel but a row's last has a byte after it to read along.
        for (int x = 0; x < width - 1; ++x, source += 3)
            target[x] = 0xff000000u | (qFromLittleEndian<quint32>(source) & 0x00ffffffu);
        target[width - 1] = qRgb(source[2], source[1], source[0]);
    }
    return image;
}

} // namespace wimbly::res
