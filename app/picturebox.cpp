#include "picturebox.h"

#include "catalogue.h"
#include "pictureloader.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace wimbly {

std::optional<QPixmap> renderBitmap(int id, QSize size, qreal factor, qreal ratio) {
    // The embedded renders fit exactly: the picture as it has always been drawn.
    if (factor == 1 && (ratio == 1 || ratio == 2))
        return res::loadPicture(id);
    std::optional<QPixmap> picture = res::loadPicture(id, (QSizeF(size) * ratio).toSize());
    if (picture)
        picture->setDevicePixelRatio(ratio);
    return picture;
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setBitmap(int id) {
    // A hidden box only takes the picture's place and renders it when it is first drawn: the
    // board and the mascot, hidden at start-up, cost nothing before the window first shows.
    if (isHidden() && !res::bitmapSize(id).isEmpty()) {
        m_bitmap = id;
        m_designSize = res::bitmapSize(id);
        m_stale = true;
        applyGeometry();
        return;
    }
    if (render(id))
        update();
}

bool PictureBox::render(int id) {
    const QSize box = m_view.rect(QRect(m_designPos, res::bitmapSize(id))).size();
    const std::optional<QPixmap> picture =
        renderBitmap(id, box, m_view.factor(), devicePixelRatioF());
    if (!picture)
        return false;
    m_bitmap = id;
    m_designSize = res::bitmapSize(id);
    m_picture = *picture;
    m_stale = false;
    applyGeometry();
    return true;
}

const QPixmap& PictureBox::picture() const {
    if (m_stale) {
        m_stale = false;
        if (!const_cast<PictureBox*>(this)->render(m_bitmap))
            m_picture = QPixmap();
    }
    return m_picture;
}

void PictureBox::place(QPoint designTopLeft) {
    m_designPos = designTopLeft;
    applyGeometry();
}

void PictureBox::setView(const ViewScale& view) {
    if (view == m_view)
        return;
    const bool rescaled = view.factor() != m_view.factor();
    m_view = view;
    applyGeometry();
    if (rescaled && m_bitmap != 0) {
        m_stale = true;
        update();
    }
}

void PictureBox::applyGeometry() {
    const QRect at = m_view.rect(QRect(m_designPos, m_designSize));
    move(at.topLeft());
    // A box without a picture keeps the size it has until it gets one.
    if (!m_designSize.isEmpty())
        setFixedSize(at.size());
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
    const QPixmap& picture = this->picture();
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture);
    if (m_lines.empty())
        return;
    // Lines are in design pixels: at another view each covers the box pixels its design pixels
    // cover, so a frame is as thick as the view's factor and stays where the picture puts it.
    if (!designScale() && !m_designSize.isEmpty())
        painter.scale(qreal(width()) / m_designSize.width(),
                      qreal(height()) / m_designSize.height());
    for (const Stroke& stroke : m_lines) {
        // The board's lines are horizontal or vertical: fill the pixels from one end to the
        // other, so the line is exactly one logical pixel wide at every device pixel ratio.
        const QRect span = QRect(stroke.line.p1(), stroke.line.p2()).normalized();
        painter.fillRect(span, stroke.colour);
    }
}

QRect PictureBox::widgetRect(const QRect& design) const {
    if (designScale() || m_designSize.isEmpty())
        return design;
    const qreal sx = qreal(width()) / m_designSize.width();
    const qreal sy = qreal(height()) / m_designSize.height();
    return QRect(QPoint(int(std::lround(design.left() * sx)), int(std::lround(design.top() * sy))),
                 QPoint(int(std::lround((design.right() + 1) * sx)) - 1,
                        int(std::lround((design.bottom() + 1) * sy)) - 1));
}

QPointF PictureBox::designPoint(QPointF pos) const {
    if (designScale() || m_designSize.isEmpty())
        return pos;
    // The design pixel under the middle of the screen pixel, in whole pixels as at 100 %: a
    // press anywhere on a cell's picture counts as that cell.
    const qreal half = 0.5 / devicePixelRatioF();
    return QPointF(std::floor((pos.x() + half) * m_designSize.width() / width()),
                   std::floor((pos.y() + half) * m_designSize.height() / height()));
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), event->modifiers(), designPoint(event->position()));
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace wimbly
