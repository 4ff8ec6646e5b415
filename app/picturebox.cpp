#include "picturebox.h"

#include <QMouseEvent>
#include <QPainter>

namespace wimbly {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QPixmap& picture) {
    m_picture = picture;
    setFixedSize(picture.deviceIndependentSize().toSize());
    update();
}

void PictureBox::drawLine(QLine line, QColor colour) {
    m_lines.push_back({line, colour});
    update();
}

void PictureBox::clearDrawing() {
    if (m_lines.empty())
        return;
    m_lines.clear();
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
    for (const Stroke& stroke : m_lines) {
        // The board's lines are horizontal or vertical: fill the pixels from one end to the
        // other, so the line is exactly one logical pixel wide at every device pixel ratio.
        const QRect span = QRect(stroke.line.p1(), stroke.line.p2()).normalized();
        painter.fillRect(span, stroke.colour);
    }
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), event->modifiers(), event->position());
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace wimbly
