#include "settings.h"

#include <QSettings>

namespace wimbly {

namespace {

// A flag as QSettings writes it.
bool readFlag(const QString& text, bool* flag) {
    if (text == QLatin1String("true") || text == QLatin1String("false")) {
        *flag = text == QLatin1String("true");
        return true;
    }
    return false;
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

const Setting& settingOf(const Setting::Field& field) {
    for (const Setting& setting : Settings) {
        if (setting.field == field)
            return setting;
    }
    Q_UNREACHABLE();
}

bool readValue(const Setting& setting, const QString& text, Preferences* preferences) {
    switch (setting.kind) {
    case Setting::Kind::Number: {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !(value >= setting.min && value <= setting.max))
            return false;
        preferences->*std::get<qreal Preferences::*>(setting.field) = value;
        return true;
    }
    case Setting::Kind::Flag:
        return readFlag(text, &(preferences->*std::get<bool Preferences::*>(setting.field)));
    case Setting::Kind::Language:
        return languageFromCode(text,
                                &(preferences->*std::get<Language Preferences::*>(setting.field)));
    }
    return false;
}

QString valueText(const Setting& setting, const Preferences& preferences) {
    return std::visit(
        [&preferences](auto field) {
            const auto& value = preferences.*field;
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, bool>)
                return value ? QStringLiteral("true") : QStringLiteral("false");
            else if constexpr (std::is_same_v<std::decay_t<decltype(value)>, Language>)
                return languageCode(value);
            else
                return QString::number(value);
        },
        setting.field);
}

bool sameValue(const Setting& setting, const Preferences& a, const Preferences& b) {
    if (setting.kind == Setting::Kind::Number) {
        const auto field = std::get<qreal Preferences::*>(setting.field);
        return qFuzzyCompare(a.*field, b.*field);
    }
    return valueText(setting, a) == valueText(setting, b);
}

QString allowedValues(const Setting& setting) {
    switch (setting.kind) {
    case Setting::Kind::Number:
        return QStringLiteral("a number from %1 to %2").arg(setting.min).arg(setting.max);
    case Setting::Kind::Flag:
        return QStringLiteral("true or false");
    case Setting::Kind::Language:
        return QStringLiteral("zh (Chinese) or en (English)");
    }
    return {};
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
    // A value that is missing, of the wrong kind or out of range keeps its default.
    for (const Setting& setting : Settings)
        readValue(setting, m_settings->value(QLatin1String(setting.key)).toString(), &preferences);
    return preferences;
}

void SettingsStore::save(const Setting& setting, const Preferences& preferences) {
    m_settings->setValue(QLatin1String(setting.key), valueText(setting, preferences));
    m_settings->sync();
}

} // namespace wimbly
