#include "artwork.h"

#include "catalogue.h"

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

using namespace ::wimbly::res;

QString drawingName(std::string_view name) {
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
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
    // A drawing dropped into the folder without its catalogue line would silently be left out.
    const QDir folder(QDir(m_artDir).filePath(QStringLiteral("characters")));
    for (const QString& file : folder.entryList({QStringLiteral("*.svg")}, QDir::Files)) {
        const QString name = QStringLiteral("characters/") + file;
        if (std::none_of(Characters.begin(), Characters.end(),
                         [&](const Character& c) { return c.drawing == name.toStdString(); })) {
            *error = QStringLiteral("%1 is not in the catalogue's Characters").arg(name);
            return false;
        }
    }
    m_characters.clear();
    for (const Character& character : Characters) {
        m_characters.append(readExpanded(drawingName(character.drawing), error));
        if (!error->isEmpty())
            return false;
    }
    for (const Picture& p : Pictures) {
        m_pictures.insert(p.id, readExpanded(drawingName(p.drawing), error));
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
    return characterAt(n, CharacterSize * scale);
}

QImage Artwork::characterAt(int n, QSize size) const {
    return drawing(m_characters.at(n), size, CharacterGround);
}

// The same character layers as bitmaps 101..136, so cell n matches bitmap 101 + n pixel for
// pixel wherever the character is opaque.
QImage Artwork::board(int scale) const {
    QImage image(BoardSize * scale, QImage::Format_RGB32);
    image.fill(BoardGreen);
    QPainter painter(&image);
    for (int n = 0; n < CharacterCount; ++n) {
        const QPoint cell = cellRect(n).topLeft();
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
    if (id >= CharacterBase && id < CharacterBase + CharacterCount)
        return character(id - CharacterBase, scale);
    if (id == Board)
        return board(scale);
    const Picture* p = findPicture(id);
    if (!p)
        return {};
    QImage image = drawing(m_pictures.value(id), p->size * scale, p->ground);
    if (id == Background) {
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
