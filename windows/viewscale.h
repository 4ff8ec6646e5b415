#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QtGlobal>

namespace wimbly {

// How a window shows its contents: every design position and size, given in pixels at 100 %,
// is multiplied by the factor and shifted by the origin. Edges are scaled rather than sizes, so
// controls that touch at 100 % still touch at every factor.
class ViewScale {
public:
    constexpr ViewScale() = default;
    constexpr explicit ViewScale(qreal factor, QPoint origin = {})
        : m_factor(factor), m_origin(origin) {}

    constexpr qreal factor() const { return m_factor; }
    constexpr QPoint origin() const { return m_origin; }

    // A design length, rounded to whole pixels.
    int length(int designLength) const { return qRound(designLength * m_factor); }
    QSize size(QSize designSize) const {
        return {length(designSize.width()), length(designSize.height())};
    }
    // A design point of the contents, in the window.
    QPoint point(QPoint designPoint) const {
        return m_origin + QPoint(length(designPoint.x()), length(designPoint.y()));
    }
    // A design rectangle: its top-left and bottom-right edges scaled.
    QRect rect(const QRect& design) const {
        const QPoint topLeft = point(design.topLeft());
        const QPoint farEdge = point(design.topLeft() + QPoint(design.width(), design.height()));
        return {topLeft, QSize(farEdge.x() - topLeft.x(), farEdge.y() - topLeft.y())};
    }
    // The font at the view's factor: point sizes and pixel sizes alike.
    QFont font(const QFont& design) const;

    friend constexpr bool operator==(const ViewScale& a, const ViewScale& b) {
        return a.m_factor == b.m_factor && a.m_origin == b.m_origin;
    }

private:
    qreal m_factor = 1;
    QPoint m_origin;
};

// A main window that secondary windows open over: they show their contents at its factor, and
// centre themselves on its screen, above it, while it covers the screen.
class ViewHost {
public:
    virtual qreal viewFactor() const = 0;
    virtual bool coversScreen() const = 0;

protected:
    ~ViewHost() = default;
};

} // namespace wimbly
