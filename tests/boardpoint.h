#pragma once

#include "catalogue.h"

#include <QPoint>

namespace wimbly::test {

// The middle of board cell `cell` (0..35), in board pixels: where a player's click lands.
inline QPoint centreOfCell(int cell) {
    return res::cellRect(cell).center();
}

} // namespace wimbly::test
