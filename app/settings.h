#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

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

    void saveZoom(qreal zoom);
    void saveFullScreen(bool on);
    void saveSoundOn(bool on);
    void saveLanguage(Language language);

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace wimbly
