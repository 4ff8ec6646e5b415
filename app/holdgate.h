#pragma once

#include "viewscale.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace wimbly {

// A door for grown-ups that needs no right button: a finger or the left mouse button held still
// for two seconds on a place of the window opens it (held). A child's taps show nothing; after
// half a second of holding, a ring around the point fills until the hold is complete, so that a
// grown-up knows to keep holding.
//
// A press counts only on the window's own ground, where no child widget stands, and where
// `isPlace` says so; the window's controls keep their presses and taps. Releasing, moving
// further than a small slop or off the places, a second finger, another button, the window
// being deactivated, disabled or hidden all give the hold up.
//
// Nothing runs while no hold is under way: a timer wakes the gate when the ring is due, then
// steps the ring while it shows.
class HoldGate : public QObject {
    Q_OBJECT
public:
    // How long a hold takes, and after how long of it the ring shows, in milliseconds.
    static constexpr int HoldTime = 2000;
    static constexpr int ShowDelay = 500;
    // How far the point may wander while held, in design pixels.
    static constexpr int Slop = 12;
    // The ring's outer diameter, in design pixels.
    static constexpr int RingSize = 28;
    // Time between two steps of the ring while it shows, in milliseconds.
    static constexpr int FrameTime = 20;

    // `isPlace` tells whether a position of `window` may start a hold; `view` gives the factor
    // that design pixels are scaled by. The window and the view must outlive the gate.
    HoldGate(QWidget& window, const ViewHost& view, std::function<bool(QPoint)> isPlace);
    ~HoldGate() override;

    // Where the time comes from, in milliseconds: by default a monotonic clock. Tests give
    // their own and call tick() after moving it on.
    void setClock(std::function<qint64()> now);
    // Looks at the time: shows or steps the ring, or completes the hold. The gate's timer calls
    // it; calling it when nothing is held does nothing.
    void tick();

    bool isHolding() const { return m_holding; }
    // The ring over the window, once first shown; null before.
    QWidget* ring() const { return m_ring; }

signals:
    // A hold has been completed at `globalPos`, the point first pressed.
    void held(QPoint globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A hold may start at `pos` of the window.
    bool counts(QPoint pos) const;
    void begin(QPoint pos, QPoint globalPos);
    // Gives the hold up when the point has moved too far or off the places.
    void moveTo(QPoint pos);
    void cancel();
    void showRing(qreal progress);

    QWidget& m_window;
    const ViewHost& m_view;
    std::function<bool(QPoint)> m_isPlace;
    std::function<qint64()> m_now;
    QElapsedTimer m_clock;
    QTimer m_timer;
    QPointer<QWidget> m_ring;

    bool m_holding = false;
    bool m_byTouch = false;
    qint64 m_start = 0;
    QPoint m_pos;
    QPoint m_globalPos;
};

} // namespace wimbly
