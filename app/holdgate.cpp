#include "holdgate.h"

#include "catalogue.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTouchEvent>

#include <algorithm>

namespace wimbly {

namespace {

// The filled part of the ring: the gold of the keyboard's highlight; the part still to fill is a
// faint white track, on a navy disc so that it reads the same at the background picture's edge.
const QColor FillColour(255, 200, 0);
const QColor TrackColour(255, 255, 255, 80);
const QColor GroundColour = QColor::fromRgb(res::Navy);
// The ring's width, in design pixels.
constexpr qreal RingWidth = 3;

// The ring over the window. It takes no mouse input, so it never stands in a press's way.
class HoldRing : public QWidget {
public:
    explicit HoldRing(QWidget* window) : QWidget(window) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setObjectName(QStringLiteral("holdRing"));
    }

    // `progress` from 0 (empty) to 1 (full); `factor` scales the ring's width.
    void set(qreal progress, qreal factor) {
        if (progress == m_progress && factor == m_factor)
            return;
        m_progress = progress;
        m_factor = factor;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const qreal pen = RingWidth * m_factor;
        const QRectF circle = QRectF(rect()).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(GroundColour);
        painter.drawEllipse(QRectF(rect()));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(TrackColour, pen));
        painter.drawEllipse(circle);
        // Clockwise from the top, in sixteenths of a degree.
        painter.setPen(QPen(FillColour, pen, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(circle, 90 * 16, -qRound(m_progress * 360 * 16));
    }

private:
    qreal m_progress = -1;
    qreal m_factor = 1;
};

} // namespace

HoldGate::HoldGate(QWidget& window, const ViewHost& view, std::function<bool(QPoint)> isPlace)
    : m_window(window), m_view(view), m_isPlace(std::move(isPlace)) {
    m_clock.start();
    m_now = [this] { return m_clock.elapsed(); };
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &HoldGate::tick);
    // Touches come as touch events: the gate takes those that start a hold, and a touch it does
    // not take goes on to the window's controls as Qt's mouse events made from it.
    m_window.setAttribute(Qt::WA_AcceptTouchEvents);
    m_window.installEventFilter(this);
}

HoldGate::~HoldGate() {
    delete m_ring;
}

void HoldGate::setClock(std::function<qint64()> now) {
    m_now = std::move(now);
}

bool HoldGate::counts(QPoint pos) const {
    // Only the window's own ground: a press on a control is the control's.
    return m_window.isEnabled() && m_window.rect().contains(pos) && !m_window.childAt(pos) &&
           m_isPlace(pos);
}

void HoldGate::begin(QPoint pos, QPoint globalPos) {
    m_holding = true;
    m_start = m_now();
    m_pos = pos;
    m_globalPos = globalPos;
    // The first wake-up is when the ring is due; a shorter press never wakes the gate.
    m_timer.start(ShowDelay);
}

void HoldGate::moveTo(QPoint pos) {
    const QPoint off = pos - m_pos;
    const qreal slop = Slop * m_view.viewFactor();
    if (QPoint::dotProduct(off, off) > slop * slop || !m_isPlace(pos))
        cancel();
}

void HoldGate::cancel() {
    m_timer.stop();
    m_holding = false;
    if (m_ring)
        m_ring->hide();
}

void HoldGate::tick() {
    if (!m_holding)
        return;
    const qint64 elapsed = m_now() - m_start;
    if (elapsed >= HoldTime) {
        const QPoint at = m_globalPos;
        cancel();
        emit held(at);
    } else if (elapsed >= ShowDelay) {
        showRing(qreal(elapsed - ShowDelay) / (HoldTime - ShowDelay));
        m_timer.start(int(std::min<qint64>(FrameTime, HoldTime - elapsed)));
    } else {
        m_timer.start(int(ShowDelay - elapsed));
    }
}

void HoldGate::showRing(qreal progress) {
    if (!m_ring)
        m_ring = new HoldRing(&m_window);
    const qreal factor = m_view.viewFactor();
    const int size = qRound(RingSize * factor);
    m_ring->setGeometry(QRect(m_pos - QPoint(size / 2, size / 2), QSize(size, size)));
    static_cast<HoldRing*>(m_ring.data())->set(progress, factor);
    if (!m_ring->isVisible()) {
        m_ring->raise();
        m_ring->show();
    }
}

bool HoldGate::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_window)
        return false;
    switch (event->type()) {
    // One finger is counted once: the gate follows touches by their touch events alone, and
    // passes over every mouse event made from a touch, by Qt or by the window system. Only a
    // real mouse's events move the gate by the mouse.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->source() != Qt::MouseEventNotSynthesized)
            return false;
        const QPoint pos = m_window.mapFromGlobal(mouse->globalPosition()).toPoint();
        if (event->type() == QEvent::MouseMove) {
            if (m_holding && !m_byTouch)
                moveTo(pos);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            if (m_holding && !m_byTouch)
                cancel();
        } else if (m_holding) {
            // Another button, or the mouse while a finger holds.
            cancel();
        } else if (mouse->button() == Qt::LeftButton && mouse->buttons() == Qt::LeftButton &&
                   counts(pos)) {
            m_byTouch = false;
            begin(pos, mouse->globalPosition().toPoint());
        }
        // The window does what it always did with the mouse.
        return false;
    }
    case QEvent::TouchBegin: {
        auto* touch = static_cast<QTouchEvent*>(event);
        if (touch->points().size() != 1)
            return false;
        const QPointF global = touch->points().constFirst().globalPosition();
        const QPoint pos = m_window.mapFromGlobal(global).toPoint();
        if (!counts(pos)) {
            // Not taken: Qt makes mouse events of it for the control or board under the finger.
            return false;
        }
        cancel();
        m_byTouch = true;
        begin(pos, global.toPoint());
        touch->accept();
        return true;
    }
    case QEvent::TouchUpdate: {
        auto* touch = static_cast<QTouchEvent*>(event);
        // The rest of a touch that was given up, or that completed a hold, changes nothing.
        if (m_holding && m_byTouch) {
            if (touch->points().size() != 1)
                cancel();
            else
                moveTo(m_window.mapFromGlobal(touch->points().constFirst().globalPosition())
                           .toPoint());
        }
        touch->accept();
        return true;
    }
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        if (m_holding && m_byTouch)
            cancel();
        event->accept();
        return true;
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
    case QEvent::Resize:
        cancel();
        return false;
    case QEvent::EnabledChange:
        if (!m_window.isEnabled())
            cancel();
        return false;
    default:
        return false;
    }
}

} // namespace wimbly
