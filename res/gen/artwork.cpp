#include "artwork.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <algorithm>
#include <array>
#include <utility>

namespace wimbly::resgen {

namespace {

constexpr int CharacterCount = 36;
constexpr int CharacterFirst = 101;
constexpr QSize CharacterSize{36, 46};
constexpr QSize BoardSize{343, 221};
constexpr int CellWidth = 38;
constexpr int CellHeight = 55;
constexpr int BoardColumns = 9;
constexpr int BoardRows = 4;
// A character sits in its cell one pixel right of the grid line and centred vertically.
constexpr QPoint CharacterInCell{1, 5};
// The background keeps this area plain green: the board and the slots are placed on it.
constexpr QRect BoardArea{40, 185, 371, 264};

struct Picture {
    int id;
    QSize size;
    QRgb ground;
    const char* source;
};

constexpr std::array Pictures{
    Picture{200, {458, 458}, Navy, "background.svg"},
    Picture{202, {16, 16}, Navy, "marker.svg"},
    Picture{301, {150, 150}, BoardGreen, "mascot/301-waving.svg"},
    Picture{302, {150, 150}, BoardGreen, "mascot/302-arms-crossed.svg"},
    Picture{303, {150, 150}, BoardGreen, "mascot/303-clapping.svg"},
    Picture{304, {150, 150}, BoardGreen, "mascot/304-jumping.svg"},
    Picture{305, {150, 150}, BoardGreen, "mascot/305-leap.svg"},
    Picture{901, {50, 35}, Navy, "button-start.svg"},
    Picture{902, {50, 35}, Navy, "button-help.svg"},
};

const Picture* findPicture(int id) {
    for (const Picture& p : Pictures) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

// A transparent layer with the drawing scaled to fill it.
QImage renderLayer(const QByteArray& svg, QSize size) {
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QSvgRenderer renderer(svg);
    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return layer;
}

} // namespace

Artwork::Artwork(QString artDir) : m_artDir(std::move(artDir)) {}

QList<int> Artwork::bitmapIds() {
    QList<int> ids;
    for (int n = 0; n < CharacterCount; ++n)
        ids.append(CharacterFirst + n);
    ids.append(201);
    for (const Picture& p : Pictures)
        ids.append(p.id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

QSize Artwork::bitmapSize(int id) {
    if (id >= CharacterFirst && id < CharacterFirst + CharacterCount)
        return CharacterSize;
    if (id == 201)
        return BoardSize;
    if (const Picture* p = findPicture(id))
        return p->size;
    return {};
}

// Expands <!--include:name--> with the named file of the art folder, so that poses share one
// body and the characters one style.
QByteArray Artwork::readExpanded(const QString& name, QString* error) const {
    QFile file(QDir(m_artDir).filePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(file.fileName());
        return {};
    }
    QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression include(QStringLiteral("<!--include:([^>]+)-->"));
    for (;;) {
        const QRegularExpressionMatch m = include.match(text);
        if (!m.hasMatch())
            break;
        const QByteArray part = readExpanded(m.captured(1).trimmed(), error);
        if (!error->isEmpty())
            return {};
        text.replace(m.capturedStart(), m.capturedLength(), QString::fromUtf8(part));
    }
    return text.toUtf8();
}

bool Artwork::load(QString* error) {
    error->clear();
    QDir characters(QDir(m_artDir).filePath(QStringLiteral("characters")));
    const QStringList files =
        characters.entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name);
    if (files.size() != CharacterCount) {
        *error = QStringLiteral("expected %1 character drawings in %2, found %3")
                     .arg(CharacterCount)
                     .arg(characters.path())
                     .arg(files.size());
        return false;
    }
    m_characters.clear();
    for (const QString& f : files) {
        m_characters.append(readExpanded(QStringLiteral("characters/") + f, error));
        if (!error->isEmpty())
            return false;
    }
    for (const Picture& p : Pictures) {
        m_pictures.insert(p.id, readExpanded(QString::fromLatin1(p.source), error));
        if (!error->isEmpty())
            return false;
    }
    m_icon = readExpanded(QStringLiteral("icon.svg"), error);
    for (auto it = m_pictures.cbegin(); it != m_pictures.cend() && error->isEmpty(); ++it) {
        if (!QSvgRenderer(it.value()).isValid())
            *error = QStringLiteral("drawing of bitmap %1 is not valid SVG").arg(it.key());
    }
    for (int n = 0; n < m_characters.size() && error->isEmpty(); ++n) {
        if (!QSvgRenderer(m_characters[n]).isValid())
            *error = QStringLiteral("drawing of character %1 is not valid SVG").arg(n);
    }
    if (error->isEmpty() && !QSvgRenderer(m_icon).isValid())
        *error = QStringLiteral("icon drawing is not valid SVG");
    return error->isEmpty();
}

QImage Artwork::drawing(const QByteArray& svg, QSize size, QRgb ground) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(ground);
    QPainter painter(&image);
    painter.drawImage(0, 0, renderLayer(svg, size));
    return image;
}

QImage Artwork::character(int n, int scale) const {
    return drawing(m_characters.at(n), CharacterSize * scale, CharacterGround);
}

// The same character layers as bitmaps 101..136, so cell n matches bitmap 101 + n pixel for
// pixel wherever the character is opaque.
QImage Artwork::board(int scale) const {
    QImage image(BoardSize * scale, QImage::Format_RGB32);
    image.fill(BoardGreen);
    QPainter painter(&image);
    for (int n = 0; n < CharacterCount; ++n) {
        const QPoint cell(CellWidth * (n % BoardColumns), CellHeight * (n / BoardColumns));
        painter.drawImage((cell + CharacterInCell) * scale,
                          renderLayer(m_characters.at(n), CharacterSize * scale));
    }
    const int w = BoardSize.width();
    const int h = BoardSize.height();
    for (int c = 1; c < BoardColumns; ++c)
        painter.fillRect(CellWidth * c * scale, 0, scale, h * scale, QColor(GridGreen));
    for (int r = 1; r < BoardRows; ++r)
        painter.fillRect(0, CellHeight * r * scale, w * scale, scale, QColor(GridGreen));
    const QColor black(Qt::black);
    painter.fillRect(0, 0, w * scale, scale, black);
    painter.fillRect(0, (h - 1) * scale, w * scale, scale, black);
    painter.fillRect(0, 0, scale, h * scale, black);
    painter.fillRect((w - 1) * scale, 0, scale, h * scale, black);
    return image;
}

QImage Artwork::bitmap(int id, int scale) const {
    if (id >= CharacterFirst && id < CharacterFirst + CharacterCount)
        return character(id - CharacterFirst, scale);
    if (id == 201)
        return board(scale);
    const Picture* p = findPicture(id);
    if (!p)
        return {};
    QImage image = drawing(m_pictures.value(id), p->size * scale, p->ground);
    if (id == 200) {
        QPainter painter(&image);
        const QRect area(BoardArea.topLeft() * scale, BoardArea.size() * scale);
        painter.fillRect(area, QColor(BoardGreen));
    }
    return image;
}

QImage Artwork::icon(int size) const {
    return renderLayer(m_icon, QSize(size, size));
}

} // namespace wimbly::resgen
