#include "childpicker.h"

#include "catalogue.h"
#include "pictureloader.h"
#include "windowstyle.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace wimbly {

namespace {

// The picker's design: each child is a card of their animal, at up to twice its size on the
// board, with the name under it; the cards stand in rows, centred in the board area.
constexpr qreal MaxScale = 2;
constexpr qreal Margin = 4;
// Room between two cards, for the ring.
constexpr qreal CardGap = 8;
// A row of a name is NameLine * scale + NameExtra high, in a font of NameFont * scale pixels.
constexpr qreal NameLine = 10;
constexpr qreal NameExtra = 4;
constexpr qreal NameFont = 8;
constexpr qreal NameTop = 3;
// At most this far between the centres of two cards, and between two rows beyond their height.
constexpr qreal MaxColumnPitch = 124;
constexpr qreal MaxRowGap = 24;
// The ring around the chosen card: 2 pixels wide, a little outside the card.
constexpr qreal RingWidth = 2;
constexpr qreal RingPadding = 5;
constexpr qreal RingRadius = 6;
// The animals' pictures have rounded corners, of this radius at scale 1.
constexpr qreal AnimalRadius = 3;

const QColor NavyColour = QColor::fromRgb(res::Navy);

QFont nameFont(qreal pixels) {
    QFont font;
    font.setFamilies(ChineseFamilies);
    font.setBold(true);
    font.setPixelSize(std::max(1, qRound(pixels)));
    return font;
}

// A rectangle of design pixels in widget pixels, aligned to whole pixels.
QRect scaled(const QRectF& design, qreal factor) {
    return QRectF(design.topLeft() * factor, design.size() * factor).toAlignedRect();
}

} // namespace

ChildPicker::ChildPicker(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setView(m_view);
}

void ChildPicker::setChildren(std::vector<Child> children) {
    m_children = std::move(children);
    m_ringed = m_children.empty() ? -1 : 0;
    m_pressed = -1;
    layOut();
    m_animals.clear();
    update();
}

void ChildPicker::setView(const ViewScale& view) {
    m_view = view;
    setGeometry(view.rect(res::BoardArea));
    update();
}

void ChildPicker::layOut() {
    m_cards.clear();
    const int count = int(m_children.size());
    if (count == 0)
        return;
    const QSizeF area = QSizeF(res::BoardArea.size()) - QSizeF(2 * Margin, 2 * Margin);
    const QSizeF character = res::CharacterSize;
    // The number of columns that lets the animals be largest; of those, the fewest rows, and
    // of those the fewest columns, so that the rows are as even as they can be.
    int columns = 1;
    int rows = count;
    m_scale = 0;
    for (int c = 1; c <= count; ++c) {
        const int r = (count + c - 1) / c;
        const qreal width = area.width() / c - CardGap;
        const qreal height = area.height() / r - CardGap - NameExtra - NameTop;
        const qreal scale = std::min(
            {MaxScale, width / character.width(), height / (character.height() + NameLine)});
        if (scale > m_scale + 1e-9 || (scale > m_scale - 1e-9 && r < rows)) {
            m_scale = scale;
            columns = c;
            rows = r;
        }
    }
    const QSizeF animal = character * m_scale;
    const qreal nameHeight = NameLine * m_scale + NameExtra;
    const qreal cardHeight = animal.height() + NameTop + nameHeight;
    const qreal columnPitch = std::min(area.width() / columns, MaxColumnPitch);
    const qreal rowPitch = std::min(area.height() / rows, cardHeight + MaxRowGap);
    const qreal top = (res::BoardArea.height() - (rows - 1) * rowPitch - cardHeight) / 2;
    for (int i = 0; i < count; ++i) {
        const int row = i / columns;
        const int inRow = std::min(columns, count - row * columns);
        const qreal centreX =
            res::BoardArea.width() / 2.0 + (i % columns - (inRow - 1) / 2.0) * columnPitch;
        const qreal y = top + row * rowPitch;
        Card card;
        card.row = row;
        card.animal = QRectF(centreX - animal.width() / 2, y, animal.width(), animal.height());
        card.name = QRectF(centreX - (columnPitch - CardGap) / 2, card.animal.bottom() + NameTop,
                           columnPitch - CardGap, nameHeight);
        m_cards.push_back(card);
    }
}

QRectF ChildPicker::animalRect(int i) const {
    return i >= 0 && i < int(m_cards.size()) ? m_cards[i].animal : QRectF();
}

QRectF ChildPicker::ringRect(const Card& card) const {
    const QFontMetricsF metrics(nameFont(NameFont * m_scale));
    const int i = int(&card - m_cards.data());
    const qreal text = std::min(metrics.horizontalAdvance(m_children[i].name), card.name.width());
    const qreal width = std::max(card.animal.width(), text) + 2 * RingPadding;
    return QRectF(card.animal.center().x() - width / 2, card.animal.top() - RingPadding, width,
                  card.name.bottom() + RingPadding / 2 - card.animal.top() + RingPadding);
}

void ChildPicker::moveRing(int dx, int dy) {
    if (m_cards.empty())
        return;
    int next = std::clamp(m_ringed + dx, 0, int(m_cards.size()) - 1);
    if (dy != 0) {
        const int lastRow = m_cards.back().row;
        const int row = std::clamp(m_cards[next].row + dy, 0, lastRow);
        // The child of that row nearest under or over the ringed one.
        const qreal x = m_cards[next].animal.center().x();
        int nearest = next;
        qreal distance = std::numeric_limits<qreal>::infinity();
        for (int i = 0; i < int(m_cards.size()); ++i) {
            const qreal d = std::abs(m_cards[i].animal.center().x() - x);
            if (m_cards[i].row == row && d < distance) {
                nearest = i;
                distance = d;
            }
        }
        next = nearest;
    }
    if (next != m_ringed) {
        m_ringed = next;
        update();
    }
}

void ChildPicker::select() {
    if (m_ringed >= 0 && m_ringed < int(m_children.size()))
        emit chosen(m_children[m_ringed].name);
}

int ChildPicker::cardAt(QPointF pos) const {
    const QPointF at = pos / m_view.factor();
    for (int i = 0; i < int(m_cards.size()); ++i) {
        const Card& card = m_cards[i];
        if (card.animal.contains(at) || card.name.contains(at))
            return i;
    }
    return -1;
}

void ChildPicker::renderAnimals() {
    const qreal factor = m_view.factor();
    const qreal ratio = devicePixelRatioF();
    if (m_animals.size() == m_children.size() && m_renderedFactor == factor &&
        m_renderedRatio == ratio)
        return;
    m_animals.clear();
    m_renderedFactor = factor;
    m_renderedRatio = ratio;
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        const QSize pixels = (QSizeF(scaled(m_cards[i].animal, factor).size()) * ratio).toSize();
        const std::optional<QPixmap> source =
            res::loadPicture(res::characterBitmap(m_children[i].animal), pixels);
        if (!source) {
            m_animals.emplace_back();
            continue;
        }
        // The picture with rounded corners, drawn in the screen's own pixels.
        QPixmap rounded(pixels);
        rounded.fill(Qt::transparent);
        QPainter painter(&rounded);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(*source);
        const qreal radius = AnimalRadius * m_scale * factor * ratio;
        painter.drawRoundedRect(QRectF(QPointF(), QSizeF(pixels)), radius, radius);
        painter.end();
        rounded.setDevicePixelRatio(ratio);
        m_animals.push_back(rounded);
    }
}

void ChildPicker::paintEvent(QPaintEvent*) {
    renderAnimals();
    const qreal factor = m_view.factor();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), NavyColour);

    const QFont font = nameFont(NameFont * m_scale * factor);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    for (std::size_t i = 0; i < m_cards.size(); ++i) {
        const Card& card = m_cards[i];
        painter.drawPixmap(scaled(card.animal, factor).topLeft(), m_animals[i]);
        const QRect name = scaled(card.name, factor);
        // Names are plain text, whatever they hold.
        const QString shown = metrics.elidedText(m_children[i].name, Qt::ElideRight, name.width());
        painter.setPen(Qt::white);
        painter.drawText(name, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, shown);
    }
    if (m_ringed >= 0 && m_ringed < int(m_cards.size())) {
        const QRectF ring = ringRect(m_cards[m_ringed]);
        const qreal width = RingWidth * factor;
        painter.setPen(QPen(Qt::white, width));
        painter.setBrush(Qt::NoBrush);
        // The pen is drawn inside the ring's rectangle.
        const QRectF at = QRectF(ring.topLeft() * factor, ring.size() * factor)
                              .adjusted(width / 2, width / 2, -width / 2, -width / 2);
        painter.drawRoundedRect(at, RingRadius * factor, RingRadius * factor);
    }
}

void ChildPicker::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton ? cardAt(event->position()) : -1;
    event->accept();
}

void ChildPicker::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const int pressed = std::exchange(m_pressed, -1);
    // A press and a release on the same child choose them.
    if (event->button() != Qt::LeftButton || pressed < 0 || cardAt(event->position()) != pressed)
        return;
    if (m_ringed != pressed) {
        m_ringed = pressed;
        update();
    }
    select();
}

void ChildPicker::mouseMoveEvent(QMouseEvent* event) {
    setCursor(cardAt(event->position()) >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

} // namespace wimbly
