#include "pictureloader.h"

#include "bmp.h"
#include "catalogue.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QResource>

#include <utility>

namespace wimbly::res {

namespace {

// Silent unless enabled, e.g. QT_LOGGING_RULES="wimbly.res.warning=true": the window shows an
// empty box for a picture it cannot load, and this says which one and why.
Q_LOGGING_CATEGORY(lcRes, "wimbly.res", QtCriticalMsg)

constexpr qreal HighDensity = 2.0;

bool highDensityScreen() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
           qGuiApp->devicePixelRatio() >= HighDensity;
}

QImage loadBitmap(const QString& path) {
    const QResource resource(path);
    if (!resource.isValid()) {
        qCWarning(lcRes, "no bitmap %s", qPrintable(path));
        return {};
    }
    QImage image = resource.compressionAlgorithm() == QResource::NoCompression
                       ? decodeBmp24(QByteArrayView(resource.data(), resource.size()))
                       : decodeBmp24(resource.uncompressedData());
    if (image.isNull())
        qCWarning(lcRes, "bitmap %s is not a 24-bit uncompressed bitmap", qPrintable(path));
    return image;
}

} // namespace

std::optional<QPixmap> loadPicture(int id) {
    if (highDensityScreen()) {
        QImage sharp = loadBitmap(bitmapResource(id, 2));
        if (!sharp.isNull()) {
            QPixmap pixmap = QPixmap::fromImage(std::move(sharp));
            pixmap.setDevicePixelRatio(HighDensity);
            return pixmap;
        }
    }
    QImage image = loadBitmap(bitmapResource(id));
    if (image.isNull())
        return std::nullopt;
    return QPixmap::fromImage(std::move(image));
}

std::optional<QPixmap> loadPicture(int id, QSize pixels) {
    const QSize design = bitmapSize(id);
    if (design.isEmpty() || pixels.isEmpty())
        return std::nullopt;
    QImage image;
    for (int render : {1, 2, 4}) {
        const QSize size = design * render;
        if (render < 4 && (size.width() < pixels.width() || size.height() < pixels.height()))
            continue;
        image = loadBitmap(bitmapResource(id, render));
        if (!image.isNull())
            break;
    }
    if (image.isNull())
        return std::nullopt;
    if (image.size() != pixels)
        image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(std::move(image));
}

QIcon programIcon() {
    return QIcon(QPixmap::fromImage(loadBitmap(iconBitmapResource())));
}

} // namespace wimbly::res
