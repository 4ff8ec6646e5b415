#pragma once

#include <QByteArrayView>
#include <QImage>

namespace wimbly::res {

// The picture in a Windows bitmap image of 24 bits per pixel, uncompressed, rows bottom-up or
// top-down; a null image for anything else or for an image whose bytes fall short. Decoding it
// here keeps start-up clear of the image format plugins.
QImage decodeBmp24(QByteArrayView bytes);

} // namespace wimbly::res
