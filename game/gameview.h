#pragma once

#include "catalogue.h"
#include "rules.h"

#include <QLine>
#include <QtGlobal>

namespace wimbly {

// What the game asks of the main window, in the game's own terms. The main window
// implements it with widgets; tests implement it with a recorder.
class GameView {
public:
    virtual ~GameView() = default;

    virtual void setBoardVisible(bool visible) = 0;
    // Draws a one-pixel white line onto the board, in board pixels; it stays until clearBoard().
    virtual void drawOnBoard(QLine line) = 0;
    virtual void clearBoard() = 0;

    // Presentation slot `slot` (0..35) takes the picture of character `character` (0..35).
    virtual void setSlotCharacter(int slot, int character) = 0;
    virtual void setSlotVisible(int slot, bool visible) = 0;

    virtual void setMarkerVisible(int marker, bool visible) = 0;

    virtual void setMascotPose(int bitmapId) = 0;
    virtual void setMascotVisible(bool visible) = 0;

    virtual void showScore(qint32 score) = 0;
    virtual void playCue(res::Cue cue) = 0;
    // Character `character` (0..35) has just come on in the parade, its cue played: its name
    // may be said. Asked for nowhere else.
    virtual void sayName(int character) = 0;

    // Opens the leaderboard window, which ranks `score`; returns once it is shown.
    virtual void openLeaderboard(qint32 score) = 0;
    // Opens the help window; returns once it is shown.
    virtual void openHelp() = 0;

    // A game in which the board was pressed has ended.
    virtual void gameEnded(const GameSummary& summary) = 0;
};

} // namespace wimbly
