#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

namespace wimbly {

class MainWindow;

// Play without a mouse on the main window: a highlight over the board's cells, which the
// window's commands move (the arrow keys) and press (Enter, Space) as a mouse press on the cell
// would. With no game running (before the first game, and after a game is over) a press starts
// one; while a game runs, on a board halted by the help button too, it never restarts it.
class KeyboardPlay : public QObject {
    Q_OBJECT
public:
    explicit KeyboardPlay(MainWindow& window);
    ~KeyboardPlay() override;

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

    MainWindow& m_window;
    QPointer<QWidget> m_highlight;
    QPoint m_cell{0, 0};
    // The cell the shown highlight is on.
    int m_shownCell = -1;
};

} // namespace wimbly
