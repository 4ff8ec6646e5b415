#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <optional>

class QWidget;

namespace wimbly {

class Clock;
class MainWindow;

// Play without a mouse on the main window: a highlight over the board's cells, which the
// window's commands move (the arrow keys) and press (Enter, Space) as a mouse press on the cell
// would. With no game running (before the first game, and after a game is over) a press starts
// one; while a game runs, on a board halted by the help button too, it never restarts it.
//
// For play with one switch the highlight can also scan: while the board takes presses it moves
// by itself from cell to cell, row by row from the top-left and round again, and the switch
// (Space or Enter) presses the cell it is on. Each opening of the board starts it at the
// top-left. A press that follows the one before within ScanBounceMs is taken for a bounce of the
// switch or a tremor and ignored.
class KeyboardPlay : public QObject {
    Q_OBJECT
public:
    static constexpr int ScanBounceMs = 300;

    // Scanning keeps its time by `scanClock`, which no one else sets alarms on.
    KeyboardPlay(MainWindow& window, Clock& scanClock);
    ~KeyboardPlay() override;

    // Milliseconds the highlight stays on a cell while scanning, or 0: scanning off.
    void setScanInterval(int ms);
    int scanInterval() const { return m_scanMs; }

    // While the board takes presses, moves the highlight by `dx` columns and `dy` rows, stopping
    // at the board's edges; the first move only shows where it stands.
    void move(int dx, int dy);
    // With no game running starts one; while the board takes presses, presses the highlighted
    // cell (the first time only shows the highlight); otherwise does nothing.
    void select();

    // The highlighted cell, column and row from the board's top-left; meaningful while the
    // highlight is shown.
    QPoint cell() const { return m_cell; }
    bool highlightShown() const;

signals:
    // The highlight was shown or moved over board cell `cell` (0..35, row by row).
    void highlightMoved(int cell);
    // The highlight is no longer shown: the board closed, or a new board opened.
    void highlightHidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The highlighted cell's number, row by row from the board's top-left.
    int cellIndex() const;
    bool boardTakesClicks() const;
    void pressHighlightedCell();
    void placeHighlight();
    void hideHighlight();
    // Scanning: shows the highlight at the top-left of a board just opened, and moves it on.
    void startScan();
    void scanStep();
    void armScan();

    MainWindow& m_window;
    Clock& m_scanClock;
    int m_scanMs = 0;
    // When the last press was taken, by the scanning clock.
    std::optional<qint64> m_lastPress;
    QPointer<QWidget> m_highlight;
    QPoint m_cell{0, 0};
    // The cell the shown highlight is on.
    int m_shownCell = -1;
};

} // namespace wimbly
