#include "options.h"

#include "zoom.h"

#include <QCommandLineParser>

namespace wimbly {

namespace {

const QString ScaleName = QStringLiteral("scale");
const QString FullScreenName = QStringLiteral("fullscreen");
const QString MuteName = QStringLiteral("mute");
const QString LangName = QStringLiteral("lang");

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
    if (zoom)
        remembered.zoom = *zoom;
    if (fullScreen)
        remembered.fullScreen = true;
    if (mute)
        remembered.soundOn = false;
    if (language)
        remembered.language = *language;
    return remembered;
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
    const QCommandLineOption scale(
        ScaleName, QStringLiteral("Draw the game at <factor> times its size, 0.5 to 4."),
        QStringLiteral("factor"));
    const QCommandLineOption fullScreen(FullScreenName, QStringLiteral("Start in full screen."));
    const QCommandLineOption mute(MuteName, QStringLiteral("Start with the sound off."));
    const QCommandLineOption lang(
        LangName, QStringLiteral("Show the texts in <language>: zh (Chinese) or en (English)."),
        QStringLiteral("language"));
    parser.addOptions({help, version, scale, fullScreen, mute, lang});
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
    if (parser.isSet(scale)) {
        const QString text = parser.value(scale);
        bool ok = false;
        const qreal factor = text.toDouble(&ok);
        if (!ok || !(factor >= zoom::Min && factor <= zoom::Max))
            return refuse(QStringLiteral("invalid value '%1' for option --scale: give a number "
                                         "from 0.5 to 4")
                              .arg(text));
        result.options.zoom = factor;
    }
    if (parser.isSet(lang)) {
        const QString text = parser.value(lang);
        Language language;
        if (!languageFromCode(text, &language))
            return refuse(QStringLiteral("invalid value '%1' for option --lang: give zh "
                                         "(Chinese) or en (English)")
                              .arg(text));
        result.options.language = language;
    }
    result.options.fullScreen = parser.isSet(fullScreen);
    result.options.mute = parser.isSet(mute);
    return result;
}

} // namespace wimbly
