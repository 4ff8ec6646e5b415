#pragma once

#include <QIcon>
#include <QPixmap>

#include <optional>

namespace wimbly::res {

// The bitmap with the given id (catalogue.h), or nothing when the program carries no bitmap with
// that id. Its logical size is always the catalogue size: on a screen with a device pixel ratio
// of 2 or more the picture is the sharper 2x render with a device pixel ratio of 2.
std::optional<QPixmap> LoadPic(int id);

// The program's icon for its windows: the 32 x 32 picture. Desktop menus take the larger
// renders that are installed beside the program.
QIcon programIcon();

} // namespace wimbly::res
