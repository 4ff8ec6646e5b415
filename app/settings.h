#pragma once

#include "zoom.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

class QSettings;

namespace wimbly {

// The languages of the game's texts. Chinese is the game's own; English is a translation.
enum class Language { Chinese, English };

// How the game is presented (the view's scale, full screen, sound and language), how it is
// played (the parade's pace, the first turn's length, the lives, practice) and how a child who
// needs it plays (scanning). The defaults are the game as it always was: 100 %, in a window,
// with sound, in Chinese, 700 ms a step, one character first, three lives, the arrow keys and
// no names said.
struct Preferences {
    qreal zoom = 1;
    bool fullScreen = false;
    bool soundOn = true;
    Language language = Language::Chinese;
    // Milliseconds a step of the parade.
    int pace = 700;
    // Characters in the first turn's parade.
    int startLength = 1;
    int lives = 3;
    // Wrong clicks cost nothing; the game ends only by Start or closing.
    bool practice = false;
    // The first turn is as long as the longest parade recalled in full in the child's last game.
    bool resumeLength = false;
    // For a classroom: the game starts in full screen and ends only by the grown-ups' menu.
    bool kiosk = false;
    // For a classroom: no grown-ups' menu, and the keys that change settings do nothing.
    bool locked = false;
    // Each character's name is said in the parade, in the language of the texts.
    bool speak = false;
    // For play with one switch: seconds the ring stays on each board cell before it moves on by
    // itself; 0 leaves it to the arrow keys.
    qreal scan = 0;

    friend bool operator==(const Preferences&, const Preferences&) = default;
};

// The short code of a language, "zh" or "en", as the settings file and the command line write it.
QString languageCode(Language language);
// The language of a code; false when the code names none.
bool languageFromCode(const QString& code, Language* language);

// One grown-ups' setting, declared once: where the settings file keeps it, the values it takes,
// the command-line option that sets it for one run, and its text in the grown-ups' menu. The
// settings file, the command line with its help, the menu and their tests follow from the table
// below; a new setting is one more entry, plus what it does.
struct Setting {
    enum class Kind {
        Number,   // a number from `min` to `max`: decimal for a qreal field, whole for an int
        Flag,     // true or false
        Language, // a language code: zh or en
    };
    using Field = std::variant<qreal Preferences::*, int Preferences::*, bool Preferences::*,
                               Language Preferences::*>;

    const char* key; // in the settings file
    Kind kind;
    Field field; // where Preferences holds it
    double min = 0;
    double max = 0;
    // A number that also takes 0, outside `min` to `max`, for "off".
    bool zeroIsOff = false;
    // On the command line, without the dashes. An option without a value name is a switch,
    // which sets the flag to `switchSets`.
    const char* option = nullptr;
    const char* valueName = nullptr;
    bool switchSets = true;
    // The option's line in --help; %1 and %2 stand for `min` and `max`.
    const char* help = nullptr;
    // The setting's item in the grown-ups' menu, in the program's own language and marked for
    // translation in the context of the class that shows it, or nullptr where the menu offers
    // commands instead.
    const char* menuText = nullptr;
    // Kept for each child rather than for the computer; the children's settings show these.
    bool perChild = false;
    // Read from the system-wide settings alone, never from the player's own file nor written to
    // it: what an administrator decides for every player of the computer.
    bool systemOnly = false;
};

inline const std::array Settings{
    Setting{.key = "view/zoom",
            .kind = Setting::Kind::Number,
            .field = &Preferences::zoom,
            .min = zoom::Min,
            .max = zoom::Max,
            .option = "scale",
            .valueName = "factor",
            .help = "Draw the game at <factor> times its size, %1 to %2."},
    Setting{.key = "view/fullScreen",
            .kind = Setting::Kind::Flag,
            .field = &Preferences::fullScreen,
            .option = "fullscreen",
            .help = "Start in full screen.",
            .menuText = QT_TRANSLATE_NOOP("wimbly::Commands", "全屏")},
    Setting{.key = "sound/on",
            .kind = Setting::Kind::Flag,
            .field = &Preferences::soundOn,
            .option = "mute",
            .switchSets = false,
            .help = "Start with the sound off.",
            .menuText = QT_TRANSLATE_NOOP("wimbly::Commands", "声音")},
    Setting{.key = "language",
            .kind = Setting::Kind::Language,
            .field = &Preferences::language,
            .option = "lang",
            .valueName = "language",
            .help = "Show the texts in <language>: zh (Chinese) or en (English).",
            .menuText = QT_TRANSLATE_NOOP("wimbly::ParentsMenu", "语言")},
    Setting{.key = "play/pace",
            .kind = Setting::Kind::Number,
            .field = &Preferences::pace,
            .min = 400,
            .max = 3000,
            .option = "pace",
            .valueName = "ms",
            .help = "Show each character of the parade for <ms> milliseconds, %1 to %2.",
            .menuText = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "每个动物显示（毫秒）"),
            .perChild = true},
    Setting{.key = "play/startLength",
            .kind = Setting::Kind::Number,
            .field = &Preferences::startLength,
            .min = 1,
            .max = 36,
            .option = "start-length",
            .valueName = "n",
            .help = "Begin with <n> characters in the first parade, %1 to %2.",
            .menuText = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "第一轮的动物数"),
            .perChild = true},
    Setting{.key = "play/lives",
            .kind = Setting::Kind::Number,
            .field = &Preferences::lives,
            .min = 1,
            .max = 9,
            .option = "lives",
            .valueName = "n",
            .help = "Play with <n> lives, %1 to %2; with more than 3 a game is not ranked.",
            .menuText = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "生命数"),
            .perChild = true},
    Setting{.key = "play/practice",
            .kind = Setting::Kind::Flag,
            .field = &Preferences::practice,
            .option = "practice",
            .help = "Practise: wrong clicks cost nothing, and the game is not ranked.",
            .menuText = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "练习（点错不扣命）"),
            .perChild = true},
    Setting{.key = "play/resumeLength",
            .kind = Setting::Kind::Flag,
            .field = &Preferences::resumeLength,
            .menuText = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "从上一局结束的地方开始"),
            .perChild = true},
    Setting{.key = "access/scan",
            .kind = Setting::Kind::Number,
            .field = &Preferences::scan,
            .min = 0.5,
            .max = 5,
            .zeroIsOff = true,
            .option = "scan",
            .valueName = "seconds",
            .help = "Play with one switch: the ring moves over the board by itself every "
                    "<seconds>, %1 to %2, and Space or Enter presses its cell; 0 is off.",
            .menuText = QT_TRANSLATE_NOOP("wimbly::ParentsMenu", "单键扫描")},
    Setting{.key = "grownups/kiosk",
            .kind = Setting::Kind::Flag,
            .field = &Preferences::kiosk,
            .option = "kiosk",
            .help = "Start in full screen and stay open until Quit is chosen in the grown-ups' "
                    "menu.",
            .systemOnly = true},
    Setting{.key = "grownups/locked",
            .kind = Setting::Kind::Flag,
            .field = &Preferences::locked,
            .systemOnly = true},
    Setting{.key = "access/speak",
            .kind = Setting::Kind::Flag,
            .field = &Preferences::speak,
            .option = "speak",
            .help = "Say each animal's name in the parade, through the desktop's speech service.",
            .menuText = QT_TRANSLATE_NOOP("wimbly::Commands", "说出动物的名字")},
};

// The setting whose field is `field`.
const Setting& settingOf(const Setting::Field& field);
// Reads `text` as a value of `setting` into `preferences`; false, leaving it alone, when the
// text is not one of the values the setting takes.
bool readValue(const Setting& setting, const QString& text, Preferences* preferences);
// The value of `setting` in `preferences`, as the settings file and the command line write it.
QString valueText(const Setting& setting, const Preferences& preferences);
// Whether `a` and `b` hold the same value of `setting`.
bool sameValue(const Setting& setting, const Preferences& a, const Preferences& b);
// The values `setting` takes, for a message: "a number from 0.5 to 4".
QString allowedValues(const Setting& setting);

// A child the grown-ups have added: a name of 1 to 32 characters, and one of the characters as
// the child's picture.
struct Child {
    QString name;
    int animal = 0;

    friend bool operator==(const Child&, const Child&) = default;
};

// Whether `name` can name a child: 1 to 32 characters, none of them a control character.
bool isChildName(const QString& name);

// The preferences remembered for the user, in the per-user configuration folder (on Linux
// $XDG_CONFIG_HOME/wimbly/wimbly.ini), and the children with their own settings. Each
// preference is written on its own, so a value that was set for one run only is never written
// with another.
//
// Under them lie the system-wide settings (on Linux wimbly/wimbly.ini in each folder of
// $XDG_CONFIG_DIRS, /etc/xdg when unset, the first folder winning): they give every setting its
// default, the children's settings included, and alone hold the settings marked systemOnly.
// Nothing is ever written to them.
class SettingsStore {
public:
    // The user's own settings, over the system-wide ones.
    SettingsStore();
    // Settings kept in the INI file `fileName`, over those of `systemFiles`, the first of them
    // winning.
    explicit SettingsStore(const QString& fileName, const QStringList& systemFiles = {});
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // What is remembered, with the settings of `child` (empty: when no child is chosen). A file
    // that cannot be read or parsed gives the defaults below it, and so does each value that is
    // missing, of the wrong kind or out of range, and each setting of a child that is not there.
    Preferences load(const QString& child = {}) const;

    // Writes the value of `setting` that `preferences` hold, and nothing else; a child's setting
    // for `child`, who must have been added (or be empty). A systemOnly setting is not written.
    void save(const Setting& setting, const Preferences& preferences, const QString& child = {});

    // The children, in the order they were added.
    std::vector<Child> children() const;
    // Adds `child` with the default settings; false when the name is not a child's name or is
    // taken, or the animal is not one of the characters.
    bool addChild(const Child& child);
    // Renames a child and keeps their settings; false when `to` is not a child's name or is
    // another child's.
    bool renameChild(const QString& from, const QString& to);
    bool setAnimal(const QString& name, int animal);
    // Removes a child with their settings.
    bool removeChild(const QString& name);

private:
    std::vector<std::unique_ptr<QSettings>> m_system;
    // Where the file keeps the settings of `child`: "" for no child, "children/<n>/" for an
    // added child, nothing for a child who is not there.
    std::optional<QString> groupOf(const QString& child) const;
    // The value of `key` in the first system-wide file that has it, or an empty string.
    QString systemValue(const QString& key) const;

    std::unique_ptr<QSettings> m_settings;
};

} // namespace wimbly
