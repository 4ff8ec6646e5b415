#include "zoom.h"

#include "mainwindow.h"

#include <QKeyEvent>

#include <array>
#include <cmath>

namespace wimbly {

namespace zoom {

namespace {

constexpr std::array Steps{1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0};

} // namespace

qreal clamped(qreal factor) {
    if (std::isnan(factor))
        return 1;
    return qBound(Min, factor, Max);
}

qreal stepIn(qreal factor) {
    for (qreal step : Steps) {
        if (step > factor)
            return step;
    }
    return factor;
}

qreal stepOut(qreal factor) {
    for (auto step = Steps.rbegin(); step != Steps.rend(); ++step) {
        if (*step < factor)
            return *step;
    }
    return factor;
}

} // namespace zoom

ViewKeys::ViewKeys(MainWindow& window) : m_window(window) {
    window.installEventFilter(this);
}

bool ViewKeys::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_window || event->type() != QEvent::KeyPress || !m_window.isEnabled())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // Shift and the keypad may come with the keys: Plus is Shift+= on many layouts.
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods == Qt::NoModifier && key->key() == Qt::Key_F11) {
        m_window.setFullScreenMode(!m_window.isFullScreenMode());
        return true;
    }
    if (mods != Qt::ControlModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        m_window.zoomIn();
        return true;
    case Qt::Key_Minus:
        m_window.zoomOut();
        return true;
    case Qt::Key_0:
        m_window.resetZoom();
        return true;
    default:
        return false;
    }
}

} // namespace wimbly
