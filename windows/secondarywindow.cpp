#include "secondarywindow.h"

#include "windowstyle.h"

#include <QCloseEvent>
#include <QScreen>

namespace wimbly {

SecondaryWindow::SecondaryWindow(QWidget* mainWindow)
    : QWidget(nullptr, FixedWindowFlags), m_mainWindow(mainWindow) {
    setAttribute(Qt::WA_DeleteOnClose);
    if (const auto* host = dynamic_cast<const ViewHost*>(mainWindow)) {
        m_view = ViewScale(host->viewFactor());
        m_overFullScreen = host->coversScreen();
    }
    // Controls without a font of their own take the window's.
    if (m_view.factor() != 1)
        setFont(m_view.font(font()));
    // A full-screen window would otherwise hide this one when it takes the focus back.
    if (m_overFullScreen)
        setWindowFlag(Qt::WindowStaysOnTopHint);
}

void SecondaryWindow::placeOnScreen(std::optional<QPoint> designPos) {
    if (m_overFullScreen && m_mainWindow) {
        const QRect area = m_mainWindow->screen()->geometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    } else if (designPos) {
        move(m_view.point(*designPos));
    }
}

SecondaryWindow::~SecondaryWindow() {
    // A window destroyed without being closed must not leave the main window dead.
    releaseMainWindow();
}

void SecondaryWindow::holdMainWindow() {
    m_holding = true;
    if (m_mainWindow)
        m_mainWindow->setEnabled(false);
}

void SecondaryWindow::closeEvent(QCloseEvent* event) {
    releaseMainWindow();
    event->accept();
    emit closed();
}

void SecondaryWindow::releaseMainWindow() {
    if (!m_holding)
        return;
    m_holding = false;
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
}

} // namespace wimbly
