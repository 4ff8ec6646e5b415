#pragma once

#include "secondarywindow.h"

#include <QLabel>

namespace wimbly {

// The help window: the aim of the game and how to play. While it is open the main window
// takes no input.
class Form3 : public SecondaryWindow {
    Q_OBJECT
public:
    // Creates the window, disables `mainWindow`, shows it and returns it. The window deletes
    // itself when closed and enables `mainWindow` again.
    static Form3* open(QWidget* mainWindow);

    QLabel& text() { return Label1; }

private:
    explicit Form3(QWidget* mainWindow);
    void Form_Load();

    QLabel Label1{this};
};

} // namespace wimbly
