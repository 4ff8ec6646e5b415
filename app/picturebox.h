#pragma once

#include <QLine>
#include <QPixmap>
#include <QWidget>

#include <vector>

namespace wimbly {

// A picture box: takes the size of its picture, draws it without a frame, keeps the lines
// drawn on it until they are cleared, and reports mouse presses in its own pixels.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const QPixmap& picture);
    const QPixmap& picture() const { return m_picture; }

    // A one-pixel line in `colour`, over the picture, until clearDrawing().
    void drawLine(QLine line, QColor colour);
    void clearDrawing();
    bool hasDrawing() const { return !m_lines.empty(); }

signals:
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
    QPixmap m_picture;
    std::vector<Stroke> m_lines;
};

} // namespace wimbly
