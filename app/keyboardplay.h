#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

namespace wimbly {

class MainWindow;

// Play without a mouse on the main window. While the board takes clicks the arrow keys move
// a highlight over its cells, and Enter or Space presses the highlighted cell as a mouse
// press on the cell would. With no game running (before the first game, and after
// a game is over) Enter or Space starts one; while a game runs, on a board halted by the help
// button too, they never restart it. F1 opens the help window as the help button does. While
// the main window is disabled the keys do nothing.
class KeyboardPlay : public QObject {
    Q_OBJECT
public:
    explicit KeyboardPlay(MainWindow& window);
    ~KeyboardPlay() override;

    // The highlighted cell, column and row from the board's top-left; meaningful while the
    // highlight is shown.
    QPoint cell() const { return m_cell; }
    bool highlightShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(int key, bool autoRepeat);
    // The highlighted cell's number, row by row from the board's top-left.
    int cellIndex() const;
    bool boardTakesClicks() const;
    void moveHighlight(int dx, int dy);
    void pressHighlightedCell();
    void placeHighlight();
    void hideHighlight();

    MainWindow& m_window;
    QPointer<QWidget> m_highlight;
    QPoint m_cell{0, 0};
};

} // namespace wimbly
