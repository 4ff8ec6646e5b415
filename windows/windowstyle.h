#pragma once

#include <QStringList>
#include <Qt>

namespace wimbly {

// The frame of every window of the program: a top-level window with a fixed size, a title and a
// close box only.
inline constexpr Qt::WindowFlags FixedWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
    Qt::MSWindowsFixedSizeDialogHint;

// The faces the windows' Chinese texts are set in, the first one installed winning: the
// Simplified Chinese serif "宋体" under its Latin and Chinese names and its fixed-pitch sibling,
// as the texts are meant to look; then the CJK faces Debian installs where those are missing,
// so that no text shows boxes.
inline const QStringList ChineseFamilies{
    QStringLiteral("SimSun"),           QStringLiteral("宋体"),
    QStringLiteral("NSimSun"),          QStringLiteral("Noto Serif CJK SC"),
    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
    QStringLiteral("WenQuanYi Zen Hei")};

} // namespace wimbly
