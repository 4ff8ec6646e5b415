#pragma once

#include "zoom.h"

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

#include <array>
#include <memory>
#include <variant>

class QSettings;

namespace wimbly {

// The languages of the game's texts. Chinese is the game's own; English is a translation.
enum class Language { Chinese, English };

// How the game is presented: the view's scale, full screen, sound and language. The defaults
// are the game as it always looked: 100 %, in a window, with sound, in Chinese.
struct Preferences {
    qreal zoom = 1;
    bool fullScreen = false;
    bool soundOn = true;
    Language language = Language::Chinese;

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
        Number,   // a decimal number from `min` to `max`
        Flag,     // true or false
        Language, // a language code: zh or en
    };
    using Field = std::variant<qreal Preferences::*, bool Preferences::*, Language Preferences::*>;

    const char* key; // in the settings file
    Kind kind;
    Field field; // where Preferences holds it
    double min = 0;
    double max = 0;
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
};

inline const std::array Settings{
    Setting{"view/zoom", Setting::Kind::Number, &Preferences::zoom, zoom::Min, zoom::Max, "scale",
            "factor", true, "Draw the game at <factor> times its size, %1 to %2."},
    Setting{"view/fullScreen", Setting::Kind::Flag, &Preferences::fullScreen, 0, 0, "fullscreen",
            nullptr, true, "Start in full screen.", QT_TRANSLATE_NOOP("wimbly::Commands", "全屏")},
    Setting{"sound/on", Setting::Kind::Flag, &Preferences::soundOn, 0, 0, "mute", nullptr, false,
            "Start with the sound off.", QT_TRANSLATE_NOOP("wimbly::Commands", "声音")},
    Setting{"language", Setting::Kind::Language, &Preferences::language, 0, 0, "lang", "language",
            true, "Show the texts in <language>: zh (Chinese) or en (English).",
            QT_TRANSLATE_NOOP("wimbly::ParentsMenu", "语言")},
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

// The preferences remembered for the user, in the per-user configuration folder (on Linux
// $XDG_CONFIG_HOME/wimbly/wimbly.ini). Each preference is written on its own, so a value
// that was set for one run only is never written with another.
class SettingsStore {
public:
    // The user's own settings.
    SettingsStore();
    // Settings kept in the INI file `fileName`.
    explicit SettingsStore(const QString& fileName);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // What is remembered. A file that cannot be read or parsed gives the defaults, and so does
    // each value that is missing, of the wrong kind or out of range.
    Preferences load() const;

    // Writes the value of `setting` that `preferences` hold, and nothing else.
    void save(const Setting& setting, const Preferences& preferences);

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace wimbly
