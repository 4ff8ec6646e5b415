#include "secondarywindow.h"

#include <QCloseEvent>

namespace wimbly {

SecondaryWindow::SecondaryWindow(QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_mainWindow(mainWindow) {
    setAttribute(Qt::WA_DeleteOnClose);
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
