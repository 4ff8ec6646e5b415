#pragma once

#include "viewscale.h"

#include <QLine>
#include <QPixmap>
#include <QWidget>

#include <optional>
#include <vector>

namespace wimbly {

// Bitmap `id` for `size` logical pixels at view factor `factor` on a screen of device pixel ratio
// `ratio`: from a render at least as fine as the screen's pixels, with that device pixel ratio.
// Nothing when the bitmap cannot be loaded.
std::optional<QPixmap> renderBitmap(int id, QSize size, qreal factor, qreal ratio);

// A picture box: takes the size of its picture, draws it without a frame, keeps the lines
// drawn on it until they are cleared, and reports mouse presses in its own pixels.
//
// Places, sizes, lines and press positions are design pixels, those of the window at 100 %; the
// box stands where its view puts them and draws its picture from a render as fine as the screen.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Shows bitmap `id` of the catalogue at its catalogue size. A bitmap that cannot be loaded
    // leaves the box as it was; a hidden box loads it when it is drawn, and stays empty if it
    // cannot.
    void setBitmap(int id);
    // The picture as drawn at the current view.
    const QPixmap& picture() const;

    // Top-left corner in design pixels.
    void place(QPoint designTopLeft);
    QPoint designPos() const { return m_designPos; }
    // Scales and shifts the box with its window; the picture is rendered anew for the view.
    void setView(const ViewScale& view);

    // The box's own pixels that design rectangle `design` covers at the current view, each
    // edge rounded to the nearest pixel boundary.
    QRect widgetRect(const QRect& design) const;
    // The design pixel under `pos`, in the box's own pixels, as a press there reports it.
    QPointF designPoint(QPointF pos) const;

    // A one-design-pixel line in `colour`, over the picture, until clearDrawing().
    void drawLine(QLine line, QColor colour);
    void clearDrawing();
    bool hasDrawing() const { return !m_lines.empty(); }

signals:
    // The press position is in design pixels: at any view, the design pixel under the middle of
    // the screen pixel pressed.
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    // A left-button press and release, both over the box.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Stroke {
        QLine line;
        QColor colour;
    };
    // Loads bitmap `id` for the current view; false, changing nothing, when it cannot.
    bool render(int id);
    void applyGeometry();
    bool designScale() const { return size() == m_designSize; }

    QPoint m_designPos;
    QSize m_designSize;
    ViewScale m_view;
    int m_bitmap = 0;
    // The bitmap is rendered for the view only when it is needed: a hidden box never pays.
    mutable bool m_stale = false;
    mutable QPixmap m_picture;
    std::vector<Stroke> m_lines;
};

} // namespace wimbly
