#include "keyboardplay.h"

#include "clock.h"
#include "mainwindow.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace wimbly {

namespace {

// A gold ring, clearly apart from the white frame of a found cell.
const QColor HighlightColour(255, 200, 0);
// The ring lies inside the white frame, which runs one pixel inside the grid lines, so it
// covers neither the grid nor a frame; it is this many board pixels wide.
constexpr int RingInset = 2;
constexpr int RingWidth = 3;

// The ring over one cell. It takes no mouse input, so a press passes to the board below.
class CellHighlight : public QWidget {
public:
    explicit CellHighlight(QWidget* board) : QWidget(board) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setObjectName(QStringLiteral("cellHighlight"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        // The widget covers the area inside the frame; its scale follows the board's.
        const qreal scale = qreal(parentWidget()->width()) / res::BoardSize.width();
        const qreal pen = RingWidth * scale;
        QPainter painter(this);
        painter.setPen(QPen(HighlightColour, pen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2));
    }
};

} // namespace

KeyboardPlay::KeyboardPlay(MainWindow& window, Clock& scanClock)
    : m_window(window), m_scanClock(scanClock) {
    m_window.board().installEventFilter(this);
    connect(&m_window, &MainWindow::viewChanged, this, [this] {
        if (highlightShown())
            placeHighlight();
    });
}

KeyboardPlay::~KeyboardPlay() {
    m_scanClock.cancelAlarm();
}

void KeyboardPlay::setScanInterval(int ms) {
    if (ms == m_scanMs)
        return;
    m_scanMs = ms;
    m_scanClock.cancelAlarm();
    // Turned on with the board open, scanning starts on it at once.
    if (m_scanMs > 0 && boardTakesClicks())
        startScan();
}

void KeyboardPlay::startScan() {
    m_cell = QPoint(0, 0);
    placeHighlight();
    armScan();
}

void KeyboardPlay::armScan() {
    m_scanClock.setAlarm(m_scanClock.now() + m_scanMs, [this] { scanStep(); });
}

void KeyboardPlay::scanStep() {
    // A board halted by the help button, or closing after the turn, holds the highlight where
    // it stands; the next opening starts it anew.
    if (m_scanMs <= 0 || !boardTakesClicks())
        return;
    const int next = (cellIndex() + 1) % res::CharacterCount;
    m_cell = QPoint(next % res::BoardColumns, next / res::BoardColumns);
    placeHighlight();
    armScan();
}

bool KeyboardPlay::highlightShown() const {
    return m_highlight && m_highlight->isVisible();
}

bool KeyboardPlay::eventFilter(QObject* watched, QEvent* event) {
    // The highlight belongs to one opening of the board.
    if (event->type() == QEvent::Hide) {
        m_scanClock.cancelAlarm();
        hideHighlight();
    } else if (event->type() == QEvent::Show && m_scanMs > 0 && boardTakesClicks())
        startScan();
    else if (event->type() == QEvent::Resize && highlightShown())
        placeHighlight();
    return QObject::eventFilter(watched, event);
}

void KeyboardPlay::select() {
    if (m_scanMs > 0) {
        const qint64 now = m_scanClock.now();
        if (m_lastPress && now - *m_lastPress < ScanBounceMs)
            return;
        m_lastPress = now;
    }
    const Game::Phase phase = m_window.game().phase();
    if (phase == Game::Phase::Idle || phase == Game::Phase::Over)
        m_window.commands().start.trigger();
    else if (boardTakesClicks())
        pressHighlightedCell();
}

int KeyboardPlay::cellIndex() const {
    return res::BoardColumns * m_cell.y() + m_cell.x();
}

bool KeyboardPlay::boardTakesClicks() const {
    return m_window.game().takesPresses() && m_window.board().isVisible();
}

void KeyboardPlay::move(int dx, int dy) {
    if (!boardTakesClicks())
        return;
    // The first arrow key shows where the highlight stands; the next ones move it. It stops
    // at the board's edges rather than jumping to the other side.
    if (highlightShown()) {
        m_cell.setX(std::clamp(m_cell.x() + dx, 0, res::BoardColumns - 1));
        m_cell.setY(std::clamp(m_cell.y() + dy, 0, res::BoardRows - 1));
    }
    placeHighlight();
}

void KeyboardPlay::pressHighlightedCell() {
    // Enter before any arrow key has shown the highlight presses nothing unseen: it shows
    // the highlight first.
    if (!highlightShown()) {
        placeHighlight();
        return;
    }
    m_window.game().pressCell(cellIndex());
    // After a press the child has a whole step to see what it did before the highlight moves.
    if (m_scanMs > 0 && boardTakesClicks())
        armScan();
}

void KeyboardPlay::placeHighlight() {
    // Only a highlight newly shown or on another cell is news; a new size of the view is not.
    const bool moved = !highlightShown() || m_shownCell != cellIndex();
    PictureBox& board = m_window.board();
    if (!m_highlight)
        m_highlight = new CellHighlight(&board);
    const QRect ring =
        res::cellRect(cellIndex()).adjusted(RingInset, RingInset, 1 - RingInset, 1 - RingInset);
    m_highlight->setGeometry(board.widgetRect(ring));
    m_highlight->raise();
    m_highlight->show();
    m_shownCell = cellIndex();
    if (moved)
        emit highlightMoved(m_shownCell);
}

void KeyboardPlay::hideHighlight() {
    if (highlightShown()) {
        m_highlight->hide();
        emit highlightHidden();
    }
}

} // namespace wimbly
