#pragma once

#include "viewscale.h"

#include <QPointer>
#include <QWidget>

#include <optional>

namespace wimbly {

// A window opened over the main window, such as the leaderboard or the help: a top-level window
// with a fixed frame, a title and a close box only, deleted when it closes. While it holds the
// main window, the main window takes no input; the main window is enabled again when this window
// closes or, if it is never closed, when it is destroyed.
//
// A main window that is a ViewHost lends the window its factor: its controls, fonts and place on
// the screen are scaled by it, and while the main window covers the screen the window is centred
// on that screen and kept above it.
class SecondaryWindow : public QWidget {
    Q_OBJECT
public:
    ~SecondaryWindow() override;

signals:
    // The window is closing; the main window is already enabled again.
    void closed();

protected:
    // `mainWindow` may be null, and may be destroyed before this window.
    explicit SecondaryWindow(QWidget* mainWindow);

    // Disables the main window until this window lets it go.
    void holdMainWindow();

    // The main window's view factor, for the controls' places, sizes and fonts.
    const ViewScale& view() const { return m_view; }
    // Moves the window to `designPos` (screen pixels at 100 %) scaled by the view, or leaves its
    // place to the window system when there is none; centres it on the main window's screen
    // while the main window covers the screen.
    void placeOnScreen(std::optional<QPoint> designPos);

    // Lets the main window go and reports the closing. A subclass that handles closing itself
    // calls this when it accepts the close.
    void closeEvent(QCloseEvent* event) override;

private:
    void releaseMainWindow();

    QPointer<QWidget> m_mainWindow;
    bool m_holding = false;
    ViewScale m_view;
    bool m_overFullScreen = false;
};

} // namespace wimbly
