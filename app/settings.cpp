#include "settings.h"

#include "catalogue.h"

#include <QDir>
#include <QSettings>

#include <algorithm>

namespace wimbly {

namespace {

constexpr int MaxChildNameLength = 32;

// Where the settings file keeps child `index` (0-based) and its settings.
QString childGroup(qsizetype index) {
    return QStringLiteral("children/%1/").arg(index + 1);
}

// A flag as QSettings writes it.
bool readFlag(const QString& text, bool* flag) {
    if (text == QLatin1String("true") || text == QLatin1String("false")) {
        *flag = text == QLatin1String("true");
        return true;
    }
    return false;
}

// The system-wide settings files, the first winning.
QStringList systemSettingsFiles() {
    QStringList files;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    QString folders = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (folders.isEmpty())
        folders = QStringLiteral("/etc/xdg");
    for (const QString& folder : folders.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        // Relative folders are not the system's, whatever the environment says.
        if (QDir::isAbsolutePath(folder))
            files << QDir(folder).filePath(QStringLiteral("wimbly/wimbly.ini"));
    }
#else
    files << QSettings(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("wimbly"),
                       QStringLiteral("wimbly"))
                 .fileName();
#endif
    return files;
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
        if (const auto* whole = std::get_if<int Preferences::*>(&setting.field)) {
            const int value = text.toInt(&ok);
            if (!ok || value < setting.min || value > setting.max)
                return false;
            preferences->** whole = value;
            return true;
        }
        const double value = text.toDouble(&ok);
        if (!ok ||
            !((value >= setting.min && value <= setting.max) || (setting.zeroIsOff && value == 0)))
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
    if (const auto* field = std::get_if<qreal Preferences::*>(&setting.field))
        return qFuzzyCompare(a.**field, b.**field);
    return valueText(setting, a) == valueText(setting, b);
}

QString allowedValues(const Setting& setting) {
    switch (setting.kind) {
    case Setting::Kind::Number: {
        const QString range =
            QString::fromLatin1(std::holds_alternative<int Preferences::*>(setting.field)
                                    ? "a whole number from %1 to %2"
                                    : "a number from %1 to %2")
                .arg(setting.min)
                .arg(setting.max);
        return setting.zeroIsOff ? QStringLiteral("0 (off) or ") + range : range;
    }
    case Setting::Kind::Flag:
        return QStringLiteral("true or false");
    case Setting::Kind::Language:
        return QStringLiteral("zh (Chinese) or en (English)");
    }
    return {};
}

bool isChildName(const QString& name) {
    if (name.isEmpty() || name.trimmed() != name)
        return false;
    const QList<uint> characters = name.toUcs4();
    if (characters.size() > MaxChildNameLength)
        return false;
    return std::none_of(characters.begin(), characters.end(), [](uint c) {
        return QChar::category(char32_t(c)) == QChar::Other_Control ||
               QChar::category(char32_t(c)) == QChar::Other_Surrogate;
    });
}

SettingsStore::SettingsStore()
    : SettingsStore(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("wimbly"),
                              QStringLiteral("wimbly"))
                        .fileName(),
                    systemSettingsFiles()) {}

SettingsStore::SettingsStore(const QString& fileName, const QStringList& systemFiles)
    : m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {
    for (const QString& file : systemFiles) {
        auto system = std::make_unique<QSettings>(file, QSettings::IniFormat);
        // A damaged system-wide file gives nothing rather than some of its keys.
        if (system->status() == QSettings::NoError)
            m_system.push_back(std::move(system));
    }
}

SettingsStore::~SettingsStore() = default;

Preferences SettingsStore::load(const QString& child) const {
    Preferences preferences;
    // A file that does not parse may still have yielded some keys; none of them is trusted.
    const bool readable = m_settings->status() == QSettings::NoError;
    const std::optional<QString> group = readable ? groupOf(child) : std::nullopt;
    // A value that is missing, of the wrong kind or out of range keeps the one below it: the
    // system-wide one, or the default.
    for (const Setting& setting : Settings) {
        const QString key = QString::fromLatin1(setting.key);
        readValue(setting, systemValue(key), &preferences);
        if (setting.systemOnly || !readable || (setting.perChild && !group))
            continue;
        const QString own = setting.perChild ? *group + key : key;
        readValue(setting, m_settings->value(own).toString(), &preferences);
    }
    return preferences;
}

QString SettingsStore::systemValue(const QString& key) const {
    for (const auto& system : m_system) {
        if (system->contains(key))
            return system->value(key).toString();
    }
    return {};
}

void SettingsStore::save(const Setting& setting, const Preferences& preferences,
                         const QString& child) {
    const std::optional<QString> group = setting.perChild ? groupOf(child) : QString();
    if (!group || setting.systemOnly)
        return;
    m_settings->setValue(*group + QLatin1String(setting.key), valueText(setting, preferences));
    m_settings->sync();
}

std::vector<Child> SettingsStore::children() const {
    std::vector<Child> children;
    if (m_settings->status() != QSettings::NoError)
        return children;
    const int count = m_settings->value(QStringLiteral("children/size")).toInt();
    for (int i = 0; i < count; ++i) {
        Child child{m_settings->value(childGroup(i) + QLatin1String("name")).toString(),
                    m_settings->value(childGroup(i) + QLatin1String("animal")).toInt()};
        // An entry a hand has damaged is passed over, rather than shown as a child who cannot
        // be told apart from another.
        const bool taken = std::any_of(children.begin(), children.end(),
                                       [&child](const Child& c) { return c.name == child.name; });
        if (!isChildName(child.name) || taken)
            continue;
        if (child.animal < 0 || child.animal >= res::CharacterCount)
            child.animal = 0;
        children.push_back(child);
    }
    return children;
}

bool SettingsStore::addChild(const Child& child) {
    if (!isChildName(child.name) || child.animal < 0 || child.animal >= res::CharacterCount ||
        groupOf(child.name))
        return false;
    const int index = m_settings->value(QStringLiteral("children/size")).toInt();
    const QString group = childGroup(index);
    m_settings->setValue(QStringLiteral("children/size"), index + 1);
    // Whatever a removed entry left at this place is not the new child's.
    m_settings->remove(group.chopped(1));
    m_settings->setValue(group + QLatin1String("name"), child.name);
    m_settings->setValue(group + QLatin1String("animal"), child.animal);
    m_settings->sync();
    return true;
}

bool SettingsStore::renameChild(const QString& from, const QString& to) {
    const std::optional<QString> group = groupOf(from);
    if (from.isEmpty() || !group || !isChildName(to) || (to != from && groupOf(to)))
        return false;
    m_settings->setValue(*group + QLatin1String("name"), to);
    m_settings->sync();
    return true;
}

bool SettingsStore::setAnimal(const QString& name, int animal) {
    const std::optional<QString> group = groupOf(name);
    if (name.isEmpty() || !group || animal < 0 || animal >= res::CharacterCount)
        return false;
    m_settings->setValue(*group + QLatin1String("animal"), animal);
    m_settings->sync();
    return true;
}

bool SettingsStore::removeChild(const QString& name) {
    const std::optional<QString> group = groupOf(name);
    if (name.isEmpty() || !group)
        return false;
    // The entries after the removed one move up a place, with all their keys.
    const int count = m_settings->value(QStringLiteral("children/size")).toInt();
    const int removed = group->section(QLatin1Char('/'), 1, 1).toInt() - 1;
    for (int i = removed; i + 1 < count; ++i) {
        m_settings->remove(childGroup(i).chopped(1));
        m_settings->beginGroup(childGroup(i + 1).chopped(1));
        const QStringList keys = m_settings->allKeys();
        QList<QVariant> values;
        for (const QString& key : keys)
            values << m_settings->value(key);
        m_settings->endGroup();
        for (qsizetype k = 0; k < keys.size(); ++k)
            m_settings->setValue(childGroup(i) + keys[k], values[k]);
    }
    m_settings->remove(childGroup(count - 1).chopped(1));
    m_settings->setValue(QStringLiteral("children/size"), count - 1);
    m_settings->sync();
    return true;
}

std::optional<QString> SettingsStore::groupOf(const QString& child) const {
    if (child.isEmpty())
        return QString();
    const int count = m_settings->value(QStringLiteral("children/size")).toInt();
    for (int i = 0; i < count; ++i) {
        if (m_settings->value(childGroup(i) + QLatin1String("name")).toString() == child)
            return childGroup(i);
    }
    return std::nullopt;
}

} // namespace wimbly
