#pragma once

#include "settings.h"
#include "viewscale.h"

#include <QPixmap>
#include <QRectF>
#include <QWidget>

#include <vector>

namespace wimbly {

// What a child sees when a game starts and children have been added: each child's animal, large,
// with the name under it, over the board area of the window. A click on a child's animal or name
// chooses that child; the keys move a white ring from child to child and choose the ringed one.
//
// Places and sizes are design pixels, those of the window at 100 %, from the board area's
// top-left corner; the picker covers the board area of its view and draws its animals from
// renders as fine as the screen.
class ChildPicker : public QWidget {
    Q_OBJECT
public:
    explicit ChildPicker(QWidget* parent);

    // The children to choose from, in the order they are shown; the ring goes to the first.
    void setChildren(std::vector<Child> children);
    const std::vector<Child>& children() const { return m_children; }

    // Covers `view`'s board area and draws at its factor.
    void setView(const ViewScale& view);

    // Moves the ring `dx` children on in the order they are shown, or `dy` rows down to the child
    // nearest below or above; it stops at the first and the last child and at the top and bottom
    // rows.
    void moveRing(int dx, int dy);
    // Chooses the ringed child.
    void select();
    // The ringed child's place in children(), or -1 when there are none.
    int ringed() const { return m_ringed; }

    // Child `i`'s animal, in design pixels from the picker's top-left corner.
    QRectF animalRect(int i) const;

signals:
    void chosen(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Card {
        QRectF animal; // design pixels
        QRectF name;   // design pixels: the width the name may take
        int row = 0;
    };

    void layOut();
    // The child whose card is under `pos` (widget pixels), or -1.
    int cardAt(QPointF pos) const;
    // The card's ring, in design pixels.
    QRectF ringRect(const Card& card) const;
    // Renders the animals for the current view and screen when they are not.
    void renderAnimals();

    std::vector<Child> m_children;
    std::vector<Card> m_cards;
    // The scale of the animals to their size on the board, 2 at the most.
    qreal m_scale = 2;
    int m_ringed = -1;
    int m_pressed = -1;
    ViewScale m_view;
    std::vector<QPixmap> m_animals;
    qreal m_renderedFactor = 0;
    qreal m_renderedRatio = 0;
};

} // namespace wimbly
