#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

namespace wimbly::resgen {

// Renders the pictures of the catalogue (catalogue.h) from the drawings in the art folder. Every
// picture comes out at its catalogue size times the scale, on its exact ground colour.
class Artwork {
public:
    explicit Artwork(QString artDir);

    // Reads every drawing. False, with the reason in *error, when one is missing or unreadable.
    bool load(QString* error);

    // The picture with the given bitmap id; a null image for an id not in the catalogue.
    QImage bitmap(int id, int scale) const;
    // Character `n` (0 based) drawn at any size on its ground colour.
    QImage characterAt(int n, QSize size) const;
    // The program's icon, size x size, with a transparent surround.
    QImage icon(int size) const;

private:
    QByteArray readExpanded(const QString& name, QString* error) const;
    QImage character(int n, int scale) const;
    QImage board(int scale) const;
    QImage drawing(const QByteArray& svg, QSize size, QRgb ground) const;

    QString m_artDir;
    QList<QByteArray> m_characters;
    QHash<int, QByteArray> m_pictures; // by bitmap id
    QByteArray m_icon;
};

} // namespace wimbly::resgen
