#pragma once

#include "game.h"

#include <QPoint>

namespace wimbly::test {

// The middle of board cell `cell` (0..35), in board pixels: where a player's click lands.
inline QPoint centreOfCell(int cell) {
    return {Game::CellWidth * (cell % Game::Columns) + Game::CellWidth / 2,
            Game::CellHeight * (cell / Game::Columns) + Game::CellHeight / 2};
}

} // namespace wimbly::test
