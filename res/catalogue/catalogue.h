#pragma once

// The catalogue of everything the program carries and where the windows put it: the id, size,
// ground colour and drawing of every picture, the id and length of every sound cue, the icon
// sizes, the names of their files, and the places and sizes of the windows and their controls.
// The picture generator, the game, the windows and the tests all read it; the build reads the
// lines of the Characters, Pictures, Cues and IconSizes tables (res/catalogue/CMakeLists.txt),
// so each of those entries stays on a line of its own.

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <string_view>

namespace wimbly::res {

// Ground colours, as 0xAARRGGBB.
inline constexpr quint32 CharacterGround = 0xffd3fdfc; // pale cyan RGB (211, 253, 252)
inline constexpr quint32 BoardGreen = 0xff00b03b;      // RGB (0, 176, 59)
inline constexpr quint32 GridGreen = 0xff003e15;       // RGB (0, 62, 21)
inline constexpr quint32 Navy = 0xff000080;            // RGB (0, 0, 128)

// ---- Characters ----------------------------------------------------------------------------

// A character: its drawing, in the art folder, and the animal's name in the two languages of
// the program, in UTF-8, as a screen reader or the speech says it.
struct Character {
    std::string_view drawing;
    std::string_view chinese;
    std::string_view english;
};

// One entry per character, in character-number order: character n is bitmap CharacterBase + n,
// board cell n and the n-th entry here.
// clang-format off
inline constexpr auto Characters = std::to_array<Character>({
    Character{"characters/00-frog.svg", "青蛙", "frog"},
    Character{"characters/01-owl.svg", "猫头鹰", "owl"},
    Character{"characters/02-cat.svg", "小猫", "cat"},
    Character{"characters/03-dog.svg", "小狗", "dog"},
    Character{"characters/04-rabbit.svg", "兔子", "rabbit"},
    Character{"characters/05-mouse.svg", "老鼠", "mouse"},
    Character{"characters/06-bear.svg", "熊", "bear"},
    Character{"characters/07-pig.svg", "小猪", "pig"},
    Character{"characters/08-chick.svg", "小鸡", "chick"},
    Character{"characters/09-duck.svg", "鸭子", "duck"},
    Character{"characters/10-fish.svg", "鱼", "fish"},
    Character{"characters/11-turtle.svg", "乌龟", "turtle"},
    Character{"characters/12-snail.svg", "蜗牛", "snail"},
    Character{"characters/13-crab.svg", "螃蟹", "crab"},
    Character{"characters/14-octopus.svg", "章鱼", "octopus"},
    Character{"characters/15-whale.svg", "鲸鱼", "whale"},
    Character{"characters/16-snake.svg", "蛇", "snake"},
    Character{"characters/17-elephant.svg", "大象", "elephant"},
    Character{"characters/18-giraffe.svg", "长颈鹿", "giraffe"},
    Character{"characters/19-lion.svg", "狮子", "lion"},
    Character{"characters/20-penguin.svg", "企鹅", "penguin"},
    Character{"characters/21-fox.svg", "狐狸", "fox"},
    Character{"characters/22-hedgehog.svg", "刺猬", "hedgehog"},
    Character{"characters/23-ladybug.svg", "瓢虫", "ladybug"},
    Character{"characters/24-bee.svg", "蜜蜂", "bee"},
    Character{"characters/25-butterfly.svg", "蝴蝶", "butterfly"},
    Character{"characters/26-cow.svg", "奶牛", "cow"},
    Character{"characters/27-sheep.svg", "绵羊", "sheep"},
    Character{"characters/28-monkey.svg", "猴子", "monkey"},
    Character{"characters/29-bat.svg", "蝙蝠", "bat"},
    Character{"characters/30-starfish.svg", "海星", "starfish"},
    Character{"characters/31-caterpillar.svg", "毛毛虫", "caterpillar"},
    Character{"characters/32-dinosaur.svg", "恐龙", "dinosaur"},
    Character{"characters/33-jellyfish.svg", "水母", "jellyfish"},
    Character{"characters/34-flamingo.svg", "火烈鸟", "flamingo"},
    Character{"characters/35-spider.svg", "蜘蛛", "spider"},
});
// clang-format on
inline constexpr int CharacterCount = int(Characters.size());
// A screen reader tells the cells apart by their names alone.
static_assert(
    [] {
        for (std::size_t i = 0; i < Characters.size(); ++i) {
            if (Characters[i].chinese.empty() || Characters[i].english.empty())
                return false;
            for (std::size_t j = 0; j < i; ++j) {
                if (Characters[i].chinese == Characters[j].chinese ||
                    Characters[i].english == Characters[j].english)
                    return false;
            }
        }
        return true;
    }(),
    "every character has a name of its own in each language");
inline constexpr int CharacterBase = 101;
inline constexpr QSize CharacterSize{36, 46};

constexpr int characterBitmap(int character) {
    return CharacterBase + character;
}

// The name of `character` (0..35) in English or in Chinese.
inline QString characterName(int character, bool english) {
    const Character& c = Characters[std::size_t(character)];
    const std::string_view name = english ? c.english : c.chinese;
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

// ---- The board, bitmap 201 -----------------------------------------------------------------

// Cells of 38 x 55 pixels, nine to a row, with a one-pixel line before every cell and one more
// closing the last column and row.
inline constexpr int CellWidth = 38;
inline constexpr int CellHeight = 55;
inline constexpr int BoardColumns = 9;
inline constexpr int BoardRows = (CharacterCount + BoardColumns - 1) / BoardColumns;
inline constexpr QSize BoardSize{BoardColumns * CellWidth + 1, BoardRows* CellHeight + 1};
// Where a character's picture sits inside its cell, from the cell's top-left grid corner.
inline constexpr QPoint CharacterInCell{1, 5};

// Board cell `cell` (0..35, row by row from the top-left), in board pixels: from the grid line
// above and left of it to the last pixel before the next lines.
constexpr QRect cellRect(int cell) {
    return QRect(CellWidth * (cell % BoardColumns), CellHeight * (cell / BoardColumns), CellWidth,
                 CellHeight);
}

// The cell under `point` in board pixels, or -1 where there is none: the outer right and bottom
// grid lines and anything beyond belong to no cell. A point that is not a number is in none.
constexpr int cellAt(QPointF point) {
    if (!(point.x() >= 0 && point.x() < BoardColumns * CellWidth && point.y() >= 0 &&
          point.y() < BoardRows * CellHeight))
        return -1;
    return BoardColumns * (int(point.y()) / CellHeight) + int(point.x()) / CellWidth;
}

// ---- Pictures drawn from a file of their own -----------------------------------------------

struct Picture {
    int id;
    QSize size;
    quint32 ground;
    std::string_view drawing; // in the art folder
    // A pose that may open the mascot's celebration, drawn at random among those so marked.
    bool opensCelebration = false;
};

inline constexpr bool Opening = true;

// clang-format off
inline constexpr std::array Pictures{
    //      id   size         ground      drawing                        opens a celebration
    Picture{200, {458, 458}, Navy,       "background.svg"},
    Picture{202, {16, 16},   Navy,       "marker.svg"},
    Picture{301, {150, 150}, BoardGreen, "mascot/301-waving.svg",        Opening},
    Picture{302, {150, 150}, BoardGreen, "mascot/302-arms-crossed.svg",  Opening},
    Picture{303, {150, 150}, BoardGreen, "mascot/303-clapping.svg",      Opening},
    Picture{304, {150, 150}, BoardGreen, "mascot/304-jumping.svg",       Opening},
    Picture{305, {150, 150}, BoardGreen, "mascot/305-leap.svg"},
    Picture{901, {50, 35},   Navy,       "button-start.svg"},
    Picture{902, {50, 35},   Navy,       "button-help.svg"},
};
// clang-format on

// The pictures the program names one by one.
inline constexpr int Background = 200;
inline constexpr int Board = 201;
inline constexpr int Marker = 202;
inline constexpr int MascotCross = 302; // the game-over pose
inline constexpr int MascotLeap = 305;  // start-up and the close of every celebration
inline constexpr int StartButton = 901;
inline constexpr int HelpButton = 902;

// The background keeps this area plain board green: the board and the slots stand on it.
inline constexpr QRect BoardArea{40, 185, 371, 264};

// The picture entry with the given id, or nullptr (characters and the board have none).
constexpr const Picture* findPicture(int id) {
    for (const Picture& p : Pictures) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

constexpr int countOpeningPoses() {
    int n = 0;
    for (const Picture& p : Pictures)
        n += p.opensCelebration ? 1 : 0;
    return n;
}
inline constexpr int OpeningPoseCount = countOpeningPoses();

// The k-th pose (0 <= k < OpeningPoseCount) that may open a celebration, in catalogue order.
constexpr int openingPose(int k) {
    for (const Picture& p : Pictures) {
        if (p.opensCelebration && k-- == 0)
            return p.id;
    }
    return 0;
}

// Every bitmap id, in increasing order.
constexpr auto bitmapIds() {
    std::array<int, CharacterCount + 1 + Pictures.size()> ids{};
    std::size_t at = 0;
    for (int n = 0; n < CharacterCount; ++n)
        ids[at++] = characterBitmap(n);
    ids[at++] = Board;
    for (const Picture& p : Pictures)
        ids[at++] = p.id;
    std::sort(ids.begin(), ids.end());
    return ids;
}

// The size of bitmap `id`; an empty size for an id outside the catalogue.
constexpr QSize bitmapSize(int id) {
    if (id >= CharacterBase && id < CharacterBase + CharacterCount)
        return CharacterSize;
    if (id == Board)
        return BoardSize;
    for (const Picture& p : Pictures) {
        if (p.id == id)
            return p.size;
    }
    return {};
}

// ---- Sound cues ----------------------------------------------------------------------------

// The cues by what they mean; each one's value is its id.
enum class Cue : int {
    Parade = 101,   // each character of a parade
    TurnDone = 102, // a finished turn
    Correct = 103,  // a correct click
    Wrong = 104,    // a wrong click
    GameOver = 105, // game over
};

constexpr int cueId(Cue cue) {
    return int(cue);
}

struct CueLength {
    int id;
    double seconds; // the length the synthesized cue has
};

// clang-format off
inline constexpr std::array Cues{
    CueLength{101, 0.63},
    CueLength{102, 1.94},
    CueLength{103, 0.05},
    CueLength{104, 0.45},
    CueLength{105, 1.76},
};
// clang-format on

// The length of cue `id` in seconds; 0 for an id outside the catalogue.
constexpr double cueSeconds(int id) {
    for (const CueLength& c : Cues) {
        if (c.id == id)
            return c.seconds;
    }
    return 0;
}

// ---- The program's icon --------------------------------------------------------------------

// Square renders installed for desktop menus; the windows' own icon is the IconBitmapSize one.
inline constexpr std::array IconSizes{32, 48, 64, 128, 256};
inline constexpr int IconBitmapSize = 32;

// ---- Files -----------------------------------------------------------------------------------

// The names the generator gives the files it writes into its output folder. The build embeds the
// bitmaps and cues in the program under the same names, and the icons in the folder "icon"; the
// program reads them by the ...Resource names. res/pictures/CMakeLists.txt, which embeds them,
// spells the same names for the build and must agree with these.

// Bitmap `id` rendered at `scale` (1, 2 or 4) times its size: "bitmap/<id>.bmp" at its own size,
// "bitmap/<id>@<scale>x.bmp" otherwise.
inline QString bitmapFile(int id, int scale = 1) {
    return scale == 1 ? QStringLiteral("bitmap/%1.bmp").arg(id)
                      : QStringLiteral("bitmap/%1@%2x.bmp").arg(id).arg(scale);
}
inline QString bitmapResource(int id, int scale = 1) {
    return QStringLiteral(":/") + bitmapFile(id, scale);
}

// Sound cue `id`: "wav/<id>.wav".
inline QString cueFile(int id) {
    return QStringLiteral("wav/%1.wav").arg(id);
}
inline QString cueResource(int id) {
    return QStringLiteral(":/") + cueFile(id);
}

// The icon at `size` (one of IconSizes) pixels square, for desktop menus: "icon-<size>.png".
inline QString iconFile(int size) {
    return QStringLiteral("icon-%1.png").arg(size);
}
// The windows' icon, IconBitmapSize square, 24 bits a pixel: "icon.bmp".
inline QString iconBitmapFile() {
    return QStringLiteral("icon.bmp");
}

// The resource an icon file is embedded as, in the folder "icon".
inline QString iconResourceOf(const QString& file) {
    return QStringLiteral(":/icon/") + file;
}
inline QString iconResource(int size) {
    return iconResourceOf(iconFile(size));
}
inline QString iconBitmapResource() {
    return iconResourceOf(iconBitmapFile());
}

// ---- The main window, in pixels of its client area -----------------------------------------

inline constexpr QSize MainClientSize{551, 459};
// The outer window's top-left corner on the screen: 2000 and 1000 twips at 15 twips a pixel.
inline constexpr QPoint MainScreenPosition{133, 67};
inline constexpr QPoint BoardPosition{50, 205};
inline constexpr QPoint MascotPosition{130, 230};
inline constexpr QPoint StartButtonPosition{480, 176};
inline constexpr QPoint HelpButtonPosition{480, 240};
inline constexpr QPoint FirstMarkerPosition{464, 8};
inline constexpr int MarkerStep = 20;
inline constexpr int MarkerCount = 3;
// A game may be given up to nine lives: their markers stand three to a row, each row one step
// below the last, all above the start button.
inline constexpr int MaxMarkerCount = 9;

constexpr QPoint markerPosition(int marker) {
    return FirstMarkerPosition +
           QPoint(MarkerStep * (marker % MarkerCount), MarkerStep * (marker / MarkerCount));
}
inline constexpr QRect ScoreGeometry{472, 400, 65, 25};
// Presentation slot i: the slot grid starts where the board does, and its pitch is wider than
// the board's cells (the two are never shown together).
inline constexpr QPoint SlotStep{40, 56};

constexpr QPoint slotPosition(int slot) {
    return BoardPosition +
           QPoint(SlotStep.x() * (slot % BoardColumns), SlotStep.y() * (slot / BoardColumns));
}

// ---- The help window ------------------------------------------------------------------------

inline constexpr QSize HelpClientSize{324, 303};
// 2200 and 2000 twips from the screen's top-left corner.
inline constexpr QPoint HelpScreenPosition{147, 133};
inline constexpr QRect HelpTextGeometry{16, 40, 297, 249};

// ---- The leaderboard window ------------------------------------------------------------------

inline constexpr QSize LeaderboardClientSize{328, 371};
inline constexpr QRect LeaderboardHeadingGeometry{24, 16, 225, 25};
inline constexpr QRect LeaderboardNameBoxGeometry{24, 40, 225, 25};
inline constexpr QRect LeaderboardConfirmGeometry{264, 40, 41, 25};
// The first place's name and score; each further place stands one row step lower.
inline constexpr QRect LeaderboardNameGeometry{24, 80, 81, 25};
inline constexpr QRect LeaderboardScoreGeometry{152, 80, 89, 25};
inline constexpr int LeaderboardRowStep = 24;

// ---- The progress window ---------------------------------------------------------------------

inline constexpr QSize ProgressClientSize{520, 400};
inline constexpr QRect ProgressChildLabelGeometry{16, 12, 56, 25};
inline constexpr QRect ProgressChildBoxGeometry{72, 12, 200, 25};
// This week's games and minutes, and the best score of all.
inline constexpr QRect ProgressWeekGamesGeometry{16, 44, 160, 25};
inline constexpr QRect ProgressWeekMinutesGeometry{176, 44, 184, 25};
inline constexpr QRect ProgressBestScoreGeometry{360, 44, 144, 25};
inline constexpr QRect ProgressChartGeometry{16, 76, 488, 264};
inline constexpr QRect ProgressStatusGeometry{16, 346, 384, 46};
inline constexpr QRect ProgressExportGeometry{416, 352, 88, 27};

// ---- Checks on the tables --------------------------------------------------------------------

namespace detail {
constexpr bool idsAscend() {
    const auto ids = bitmapIds();
    for (std::size_t i = 1; i < ids.size(); ++i) {
        if (ids[i] <= ids[i - 1])
            return false;
    }
    return true;
}
} // namespace detail

static_assert(detail::idsAscend(), "every bitmap id is used once");
static_assert(bitmapSize(Background).isValid() && bitmapSize(Marker).isValid() &&
                  bitmapSize(MascotCross).isValid() && bitmapSize(MascotLeap).isValid() &&
                  bitmapSize(StartButton).isValid() && bitmapSize(HelpButton).isValid(),
              "every picture the program names is in the table");
static_assert(OpeningPoseCount > 0);
static_assert(cueSeconds(cueId(Cue::Parade)) > 0 && cueSeconds(cueId(Cue::TurnDone)) > 0 &&
                  cueSeconds(cueId(Cue::Correct)) > 0 && cueSeconds(cueId(Cue::Wrong)) > 0 &&
                  cueSeconds(cueId(Cue::GameOver)) > 0,
              "every cue the program names is in the table");
static_assert(markerPosition(MaxMarkerCount - 1).y() + MarkerStep <= StartButtonPosition.y(),
              "every life marker must stand above the start button");
static_assert(BoardPosition.x() >= BoardArea.left() && BoardPosition.y() >= BoardArea.top() &&
                  BoardPosition.x() + BoardSize.width() <= BoardArea.right() + 1 &&
                  BoardPosition.y() + BoardSize.height() <= BoardArea.bottom() + 1,
              "the board must fit the background's play area: more characters need a larger one");

} // namespace wimbly::res
