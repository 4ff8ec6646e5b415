#pragma once

#include <QIcon>
#include <QPixmap>

#include <optional>

namespace wimbly::res {

// The bitmap with the given id (catalogue.h), or nothing when the program carries no bitmap with
// that id. Its logical size is always the catalogue size: on a screen with a device pixel ratio
// of 2 or more the picture is the sharper 2x render with a device pixel ratio of 2.
std::optional<QPixmap> loadPicture(int id);

// The bitmap with the given id drawn at exactly `pixels` device pixels, with a device pixel ratio
// of 1, or nothing when the program carries no bitmap with that id or `pixels` is empty. It is
// taken from the smallest of the 1x, 2x and 4x renders that is at least that large and scaled
// down smoothly, so it is as sharp as the screen can show up to four times the catalogue size.
std::optional<QPixmap> loadPicture(int id, QSize pixels);

// The program's icon for its windows: the 32 x 32 picture. Desktop menus take the larger
// renders that are installed beside the program.
QIcon programIcon();

} // namespace wimbly::res
