#include "mainwindow.h"
#include "options.h"
#include "parentsmenu.h"
#include "settings.h"

#include <QApplication>

#include <cstdio>

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

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("wimbly"));
    // Ties the windows to the installed desktop entry, so a desktop shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.wimbly.Wimbly"));
    wimbly::SettingsStore settings;
    wimbly::MainWindow window;
    wimbly::ParentsMenu parentsMenu(window, &settings);
    parentsMenu.apply(commandLine.options.over(settings.load()));
    window.show();
    return app.exec();
}
