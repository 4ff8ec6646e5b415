#include "loadpic.h"

#include "bmp.h"

#include <QGuiApplication>
#include <QResource>

#include <utility>

namespace wimbly::res {

namespace {

constexpr qreal HighDensity = 2.0;

bool highDensityScreen() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
           qGuiApp->devicePixelRatio() >= HighDensity;
}

QImage loadBitmap(const QString& path) {
    const QResource resource(path);
    if (!resource.isValid())
        return {};
    if (resource.compressionAlgorithm() == QResource::NoCompression)
        return decodeBmp24(QByteArrayView(resource.data(), resource.size()));
    return decodeBmp24(resource.uncompressedData());
}

} // namespace

std::optional<QPixmap> LoadPic(int id) {
    if (highDensityScreen()) {
        QImage sharp = loadBitmap(QStringLiteral(":/bitmap/%1@2x.bmp").arg(id));
        if (!sharp.isNull()) {
            QPixmap pixmap = QPixmap::fromImage(std::move(sharp));
            pixmap.setDevicePixelRatio(HighDensity);
            return pixmap;
        }
    }
    QImage image = loadBitmap(QStringLiteral(":/bitmap/%1.bmp").arg(id));
    if (image.isNull())
        return std::nullopt;
    return QPixmap::fromImage(std::move(image));
}

QIcon programIcon() {
    return QIcon(QPixmap::fromImage(loadBitmap(QStringLiteral(":/icon/icon.bmp"))));
}

} // namespace wimbly::res
