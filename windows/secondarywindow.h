#pragma once

#include <QPointer>
#include <QWidget>

namespace wimbly {

// A window opened over the main window, such as the leaderboard or the help: a top-level window
// with a fixed frame, a title and a close box only, deleted when it closes. While it holds the
// main window, the main window takes no input; the main window is enabled again when this window
// closes or, if it is never closed, when it is destroyed.
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

    // Lets the main window go and reports the closing. A subclass that handles closing itself
    // calls this when it accepts the close.
    void closeEvent(QCloseEvent* event) override;

private:
    void releaseMainWindow();

    QPointer<QWidget> m_mainWindow;
    bool m_holding = false;
};

} // namespace wimbly
