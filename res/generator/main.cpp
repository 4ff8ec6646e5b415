// Build-time generator: renders every picture of the catalogue from the drawings in the art
// folder and synthesizes every sound cue, writing them into the output folder where the build
// embeds them in the program.
//
//   wimbly_resgen <art folder> <output folder>

#include "artwork.h"
#include "bmpfile.h"
#include "catalogue.h"
#include "synth.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

using wimbly::resgen::Artwork;

using namespace wimbly::res;

// Writes `bytes` to `path`, making the folder it goes in first.
bool writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "wimbly_resgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// An icon file for platforms that take one: every size as a PNG entry.
QByteArray icoFile(const QList<QByteArray>& pngs, const QList<int>& sizes) {
    QByteArray out;
    auto put16 = [&out](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    auto put32 = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    put16(0);
    put16(1); // icon
    put16(quint16(pngs.size()));
    quint32 offset = 6 + 16 * quint32(pngs.size());
    for (int i = 0; i < pngs.size(); ++i) {
        const int s = sizes[i] >= 256 ? 0 : sizes[i];
        out.append(char(s));
        out.append(char(s));
        out.append('\0');
        out.append('\0');
        put16(1);
        put16(32);
        put32(quint32(pngs[i].size()));
        put32(offset);
        offset += quint32(pngs[i].size());
    }
    for (const QByteArray& p : pngs)
        out.append(p);
    return out;
}

// Every picture with its id: the 1x bitmap enlarged pixel for pixel, then the 2x render.
QImage contactSheet(const QList<int>& ids, const QHash<int, QImage>& x1,
                    const QHash<int, QImage>& x2, const QImage& icon) {
    constexpr int SheetWidth = 2000;
    constexpr int Gap = 16;
    constexpr int Label = 22;
    struct Tile {
        QString label;
        QImage left, right;
    };
    QList<Tile> tiles;
    for (int id : ids) {
        const QImage& a = x1[id];
        tiles.append({QString::number(id),
                      a.scaled(a.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation),
                      x2[id]});
    }
    tiles.append({QStringLiteral("icon"), icon, {}});

    QList<QRect> places;
    int x = Gap, y = Gap, rowHeight = 0;
    for (const Tile& t : tiles) {
        const int w = t.left.width() + (t.right.isNull() ? 0 : Gap / 2 + t.right.width());
        const int h = Label + t.left.height();
        if (x + w + Gap > SheetWidth && x > Gap) {
            x = Gap;
            y += rowHeight + Gap;
            rowHeight = 0;
        }
        places.append(QRect(x, y, w, h));
        x += w + Gap;
        rowHeight = std::max(rowHeight, h);
    }
    QImage sheet(SheetWidth, y + rowHeight + Gap, QImage::Format_RGB32);
    sheet.fill(QColor(0x80, 0x80, 0x88));
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (int i = 0; i < tiles.size(); ++i) {
        const QRect& r = places[i];
        painter.drawText(r.topLeft() + QPoint(0, Label - 6), tiles[i].label);
        painter.drawImage(r.left(), r.top() + Label, tiles[i].left);
        if (!tiles[i].right.isNull())
            painter.drawImage(r.left() + tiles[i].left.width() + Gap / 2, r.top() + Label,
                              tiles[i].right);
    }
    return sheet;
}

// Keeps the build log quiet: a headless build machine has no runtime folder, and that is fine.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg ||
        message.startsWith(QLatin1String("QStandardPaths")))
        return;
    std::fprintf(stderr, "wimbly_resgen: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char* argv[]) {
    // Rendering needs no screen; the offscreen platform keeps the build headless.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: wimbly_resgen <art folder> <output folder>\n");
        return 2;
    }
    Artwork art(args[1]);
    QString error;
    if (!art.load(&error)) {
        std::fprintf(stderr, "wimbly_resgen: %s\n", qPrintable(error));
        return 1;
    }
    const QDir out(args[2]);
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "wimbly_resgen: cannot create %s\n", qPrintable(out.path()));
        return 1;
    }

    bool ok = true;
    const auto allIds = bitmapIds();
    const QList<int> ids(allIds.begin(), allIds.end());
    QHash<int, QImage> x1, x2;
    for (int id : ids) {
        x1.insert(id, art.bitmap(id, 1));
        x2.insert(id, art.bitmap(id, 2));
        ok &= writeFile(out.filePath(bitmapFile(id)), wimbly::resgen::encodeBmp24(x1[id]));
        ok &= writeFile(out.filePath(bitmapFile(id, 2)), wimbly::resgen::encodeBmp24(x2[id]));
        // The finest render, which the program scales down for large zoom factors.
        ok &= writeFile(out.filePath(bitmapFile(id, 4)),
                        wimbly::resgen::encodeBmp24(art.bitmap(id, 4)));
    }

    QList<QByteArray> pngs;
    QList<int> sizes;
    for (int size : IconSizes) {
        pngs.append(png(art.icon(size)));
        sizes.append(size);
        ok &= writeFile(out.filePath(iconFile(size)), pngs.last());
    }
    ok &= writeFile(out.filePath(QStringLiteral("icon.ico")), icoFile(pngs, sizes));
    {
        QImage icon(IconBitmapSize, IconBitmapSize, QImage::Format_RGB32);
        icon.fill(Navy);
        QPainter painter(&icon);
        painter.drawImage(0, 0, art.icon(IconBitmapSize));
        painter.end();
        ok &= writeFile(out.filePath(iconBitmapFile()), wimbly::resgen::encodeBmp24(icon));
    }

    for (const CueLength& cue : Cues) {
        const int id = cue.id;
        const QByteArray wav = wimbly::sound::synthesizeCue(id);
        if (wav.isEmpty()) {
            std::fprintf(stderr, "wimbly_resgen: no sound for cue %d\n", id);
            ok = false;
            continue;
        }
        ok &= writeFile(out.filePath(cueFile(id)), wav);
    }

    ok &= writeFile(out.filePath(QStringLiteral("contact-sheet.png")),
                    png(contactSheet(ids, x1, x2, art.icon(128))));
    return ok ? 0 : 1;
}
