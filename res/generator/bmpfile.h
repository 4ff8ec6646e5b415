#pragma once

#include <QByteArray>
#include <QImage>

namespace wimbly::resgen {

// The image as a Windows bitmap file: 24 bits per pixel, uncompressed (BI_RGB), bottom-up rows
// padded to four bytes. Any alpha is dropped. The bytes depend on the pixels only.
QByteArray encodeBmp24(const QImage& image);

} // namespace wimbly::resgen
