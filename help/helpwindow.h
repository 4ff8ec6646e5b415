#pragma once

#include "secondarywindow.h"

#include <QLabel>

namespace wimbly {

// The help window: the aim of the game and how to play. While it is open the main window
// takes no input.
class HelpWindow : public SecondaryWindow {
    Q_OBJECT
public:
    // Creates the window, disables `mainWindow`, shows it and returns it. The window deletes
    // itself when closed and enables `mainWindow` again.
    static HelpWindow* open(QWidget* mainWindow);

    QLabel& text() { return m_text; }

private:
    explicit HelpWindow(QWidget* mainWindow);
    void load();

    QLabel m_text{this};
};

} // namespace wimbly
