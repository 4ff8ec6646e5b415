#include "options.h"

#include <QCommandLineParser>

#include <vector>

namespace wimbly {

namespace {

// Options of Qt's own that an application object reads from the same command line.
const QStringList QtValueOptions{
    QStringLiteral("platform"),      QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"), QStringLiteral("plugin"),
    QStringLiteral("display"),       QStringLiteral("style"),
    QStringLiteral("stylesheet"),    QStringLiteral("qwindowgeometry"),
    QStringLiteral("geometry"),      QStringLiteral("qwindowtitle"),
    QStringLiteral("title"),         QStringLiteral("qwindowicon"),
    QStringLiteral("session"),       QStringLiteral("name"),
};
const QStringList QtFlagOptions{QStringLiteral("reverse"), QStringLiteral("nograb"),
                                QStringLiteral("dograb"), QStringLiteral("sync"),
                                QStringLiteral("widgetcount")};

} // namespace

Preferences Options::over(Preferences remembered) const {
    for (std::size_t i = 0; i < Settings.size(); ++i) {
        if (given[i])
            std::visit([&](auto field) { remembered.*field = values.*field; }, Settings[i].field);
    }
    return remembered;
}

bool Options::gives(const Setting& setting) const {
    for (std::size_t i = 0; i < Settings.size(); ++i) {
        if (&Settings[i] == &setting)
            return given[i];
    }
    return false;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // Qt's own options are written with one dash (-platform offscreen); read every word after
    // one dash as one option so they pass, and so do the game's.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Wimbly, a memory game for young children: watch a parade of little "
                       "animals, then find them on the board in the same order."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the version and exit."));
    parser.addOptions({help, version});
    std::vector<std::optional<QCommandLineOption>> settingOptions;
    for (const Setting& setting : Settings) {
        // A setting without an option is set in the grown-ups' menu alone; its place in the list
        // keeps the indices of the table.
        if (!setting.option) {
            settingOptions.emplace_back();
            continue;
        }
        QString text = QString::fromLatin1(setting.help);
        if (setting.kind == Setting::Kind::Number)
            text = text.arg(setting.min).arg(setting.max);
        settingOptions.push_back(
            setting.valueName ? QCommandLineOption(QString::fromLatin1(setting.option), text,
                                                   QString::fromLatin1(setting.valueName))
                              : QCommandLineOption(QString::fromLatin1(setting.option), text));
        parser.addOption(*settingOptions.back());
    }
    const QCommandLineOption child(
        QStringLiteral("child"),
        QStringLiteral("Play as the child <name>, who is added if new (1 to 32 characters)."),
        QStringLiteral("name"));
    const QCommandLineOption exportHistory(
        QStringLiteral("export-history"),
        QStringLiteral("Write every recorded game to <file> as CSV (- for standard output) and "
                       "exit."),
        QStringLiteral("file"));
    parser.addOptions({child, exportHistory});
    for (const QString& name : QtValueOptions) {
        QCommandLineOption option(name, QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString& name : QtFlagOptions) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine result;
    // A mistake is told on one line, with where to look for the options, and ends the program.
    auto refuse = [&result](const QString& mistake) {
        result.exitCode = 1;
        result.message =
            QStringLiteral("wimbly: %1\nTry 'wimbly --help' for the options.\n").arg(mistake);
        return result;
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText());
    if (parser.isSet(help)) {
        result.exitCode = 0;
        // Without an application object the parser cannot know the program's name.
        result.message = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                   QStringLiteral("wimbly"));
        return result;
    }
    if (parser.isSet(version)) {
        result.exitCode = 0;
        result.message = QStringLiteral("wimbly %1\n").arg(QStringLiteral(WIMBLY_VERSION));
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return refuse(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    for (std::size_t i = 0; i < Settings.size(); ++i) {
        const Setting& setting = Settings[i];
        if (!settingOptions[i] || !parser.isSet(*settingOptions[i]))
            continue;
        result.options.given[i] = true;
        if (!setting.valueName) {
            result.options.values.*std::get<bool Preferences::*>(setting.field) =
                setting.switchSets;
            continue;
        }
        const QString text = parser.value(*settingOptions[i]);
        if (!readValue(setting, text, &result.options.values))
            return refuse(
                QStringLiteral("invalid value '%1' for option --%2: give %3")
                    .arg(text, QString::fromLatin1(setting.option), allowedValues(setting)));
    }
    if (parser.isSet(child)) {
        result.options.child = parser.value(child);
        if (!isChildName(result.options.child))
            return refuse(QStringLiteral("invalid value '%1' for option --child: give a name of 1 "
                                         "to 32 characters, without spaces at either end")
                              .arg(result.options.child));
    }
    if (parser.isSet(exportHistory)) {
        result.options.exportHistory = parser.value(exportHistory);
        if (result.options.exportHistory.isEmpty())
            return refuse(QStringLiteral("invalid value '' for option --export-history: give a "
                                         "file, or - for standard output"));
    }
    return result;
}

} // namespace wimbly
