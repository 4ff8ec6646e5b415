#include "loadpic.h"

#include <QGuiApplication>

#include <array>

namespace wimbly::res {

namespace {

constexpr std::array IconSizes{32, 48, 64, 128, 256};
constexpr qreal HighDensity = 2.0;

bool highDensityScreen() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
           qGuiApp->devicePixelRatio() >= HighDensity;
}

} // namespace

std::optional<QPixmap> LoadPic(int id) {
    QPixmap pixmap;
    if (highDensityScreen() && pixmap.load(QStringLiteral(":/bitmap/%1@2x.bmp").arg(id), "BMP")) {
        pixmap.setDevicePixelRatio(HighDensity);
        return pixmap;
    }
    if (!pixmap.load(QStringLiteral(":/bitmap/%1.bmp").arg(id), "BMP"))
        return std::nullopt;
    return pixmap;
}

QIcon programIcon() {
    QIcon icon;
    for (int size : IconSizes)
        icon.addFile(QStringLiteral(":/icon/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace wimbly::res
