#include "history.h"
#include "mainwindow.h"
#include "options.h"
#include "parentsmenu.h"
#include "players.h"
#include "settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {

// Writes the history as CSV to `target` ("-": standard output) without a window or a display.
int exportHistory(int argc, char* argv[], const QString& target) {
    QCoreApplication app(argc, argv);
    const QString source = wimbly::History::defaultPath();
    if (target == QLatin1String("-")) {
        QFile out;
        if (out.open(stdout, QIODevice::WriteOnly) && wimbly::History::exportFile(source, out) &&
            out.flush())
            return 0;
    } else {
        // A file half written is never left in place of an earlier export.
        QSaveFile out(target);
        if (out.open(QIODevice::WriteOnly) && wimbly::History::exportFile(source, out) &&
            out.commit())
            return 0;
    }
    std::fprintf(stderr, "wimbly: cannot export the history from %s to %s\n",
                 qPrintable(QDir::toNativeSeparators(source)),
                 qPrintable(target == QLatin1String("-") ? QStringLiteral("standard output")
                                                         : QDir::toNativeSeparators(target)));
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    // The command line is read before the application object exists, so help, the version and
    // a mistyped option answer without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const wimbly::CommandLine commandLine = wimbly::parseCommandLine(arguments);
    if (commandLine.exitCode) {
        std::FILE* stream = *commandLine.exitCode == 0 ? stdout : stderr;
        std::fputs(commandLine.message.toLocal8Bit().constData(), stream);
        return *commandLine.exitCode;
    }

    if (!commandLine.options.exportHistory.isEmpty())
        return exportHistory(argc, argv, commandLine.options.exportHistory);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("wimbly"));
    // Ties the windows to the installed desktop entry, so a desktop shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.wimbly.Wimbly"));
    wimbly::SettingsStore settings;
    wimbly::MainWindow window;
    wimbly::ParentsMenu parentsMenu(window, &settings);
    parentsMenu.apply(commandLine.options.over(settings.load()));
    wimbly::Players players(window, &settings, commandLine.options, wimbly::History::defaultPath());
    window.show();
    return app.exec();
}
