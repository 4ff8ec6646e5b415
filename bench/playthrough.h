#pragma once

#include "mainwindow.h"
#include "manualclock.h"

#include <QTemporaryDir>
#include <QTest>

namespace wimbly::bench {

// The main window in virtual time, with its leaderboard in a folder of its own.
struct VirtualTimeWindow {
    QTemporaryDir folder;
    ManualClock clock;
    MainWindow mainWindow{MainWindow::Setup{&clock, nullptr, folder.path(), {}}};

    // Shows the window; false if it never comes on screen.
    bool show() {
        mainWindow.show();
        return QTest::qWaitForWindowExposed(&mainWindow);
    }
};

// Runs the window's pending sequence in virtual time until the board is open for answers.
inline void runUntilAnswering(ManualClock& clock, MainWindow& mainWindow) {
    while (mainWindow.game().phase() != Game::Phase::Answering && clock.advanceToAlarm()) {
    }
}

// A press on the board in the middle of `cell`.
inline void pressCell(MainWindow& mainWindow, int cell) {
    mainWindow.game().pressBoard(wimbly::res::cellRect(cell).topLeft() + QPointF(10, 10));
}

// Plays correct turns in virtual time until the board is open at the highest level.
inline void playToHighestLevel(ManualClock& clock, MainWindow& mainWindow) {
    mainWindow.game().start();
    runUntilAnswering(clock, mainWindow);
    while (mainWindow.game().state().level < Game::MaxLevel) {
        for (int i = 0; i <= mainWindow.game().state().level; ++i)
            pressCell(mainWindow, mainWindow.game().state().order[i]);
        runUntilAnswering(clock, mainWindow);
    }
}

} // namespace wimbly::bench
