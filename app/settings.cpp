#include "settings.h"

#include "zoom.h"

#include <QSettings>

namespace wimbly {

namespace {

const QString ZoomKey = QStringLiteral("view/zoom");
const QString FullScreenKey = QStringLiteral("view/fullScreen");
const QString SoundKey = QStringLiteral("sound/on");
const QString LanguageKey = QStringLiteral("language");

// A flag as QSettings writes it; anything else leaves `fallback`.
bool readFlag(const QSettings& settings, const QString& key, bool fallback) {
    const QString text = settings.value(key).toString();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return fallback;
}

} // namespace

QString languageCode(Language language) {
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("zh");
}

bool languageFromCode(const QString& code, Language* language) {
    if (code == QLatin1String("zh")) {
        *language = Language::Chinese;
        return true;
    }
    if (code == QLatin1String("en")) {
        *language = Language::English;
        return true;
    }
    return false;
}

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("wimbly"), QStringLiteral("wimbly"))) {}

SettingsStore::SettingsStore(const QString& fileName)
    : m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

Preferences SettingsStore::load() const {
    Preferences preferences;
    // A file that does not parse may still have yielded some keys; none of them is trusted.
    if (m_settings->status() != QSettings::NoError)
        return preferences;
    bool ok = false;
    const qreal factor = m_settings->value(ZoomKey).toString().toDouble(&ok);
    if (ok && factor >= zoom::Min && factor <= zoom::Max)
        preferences.zoom = factor;
    preferences.fullScreen = readFlag(*m_settings, FullScreenKey, preferences.fullScreen);
    preferences.soundOn = readFlag(*m_settings, SoundKey, preferences.soundOn);
    Language language;
    if (languageFromCode(m_settings->value(LanguageKey).toString(), &language))
        preferences.language = language;
    return preferences;
}

void SettingsStore::saveZoom(qreal zoom) {
    m_settings->setValue(ZoomKey, QString::number(zoom));
    m_settings->sync();
}

void SettingsStore::saveFullScreen(bool on) {
    m_settings->setValue(FullScreenKey, on);
    m_settings->sync();
}

void SettingsStore::saveSoundOn(bool on) {
    m_settings->setValue(SoundKey, on);
    m_settings->sync();
}

void SettingsStore::saveLanguage(Language language) {
    m_settings->setValue(LanguageKey, languageCode(language));
    m_settings->sync();
}

} // namespace wimbly
