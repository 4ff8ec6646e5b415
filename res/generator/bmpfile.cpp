#include "bmpfile.h"

#include <QtEndian>

namespace wimbly::resgen {

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;
constexpr int PixelsPerMetre = 2835; // 72 dots per inch

void put16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

QByteArray encodeBmp24(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width();
    const int h = rgb.height();
    const int rowSize = (w * 3 + 3) & ~3;
    const quint32 dataSize = quint32(rowSize) * quint32(h);

    QByteArray out;
    out.reserve(FileHeaderSize + InfoHeaderSize + int(dataSize));
    out.append("BM", 2);
    put32(out, FileHeaderSize + InfoHeaderSize + dataSize);
    put32(out, 0);
    put32(out, FileHeaderSize + InfoHeaderSize);
    put32(out, InfoHeaderSize);
    put32(out, quint32(w));
    put32(out, quint32(h)); // positive height: rows stored bottom-up
    put16(out, 1);          // planes
    put16(out, 24);         // bits per pixel
    put32(out, 0);          // BI_RGB
    put32(out, dataSize);
    put32(out, PixelsPerMetre);
    put32(out, PixelsPerMetre);
    put32(out, 0);
    put32(out, 0);

    QByteArray row(rowSize, '\0');
    for (int y = h - 1; y >= 0; --y) {
        const uchar* src = rgb.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = char(src[3 * x + 2]);
            row[3 * x + 1] = char(src[3 * x + 1]);
            row[3 * x + 2] = char(src[3 * x]);
        }
        out.append(row);
    }
    return out;
}

} // namespace wimbly::resgen
