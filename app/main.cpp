#include "accessibility.h"
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

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The handler's end [0] and the event loop's end [1] of a socket pair.
int quitSignalSockets[2] = {-1, -1};

void onQuitSignal(int) {
    // A signal handler may do next to nothing: one byte tells the event loop.
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(quitSignalSockets[0], &byte, 1);
}

// SIGTERM (a session ending, kill), SIGINT (Ctrl+C in a terminal) and SIGHUP (the terminal
// gone) end the program as the quit command does, in kiosk mode too and with the leaderboard
// open: the event loop returns, the games still queued for the history are written and the
// program exits with status 0. Left to their default, these signals end it at once and lose a
// game that was still queued.
void quitOnSignals(QCoreApplication& app, wimbly::MainWindow& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, quitSignalSockets) !=
        0)
        return;
    auto* notifier = new QSocketNotifier(quitSignalSockets[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&window] {
        window.quit();
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}
#endif

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
    wimbly::installScreenReaderSupport();
    wimbly::SettingsStore settings;
    wimbly::MainWindow window;
#ifdef Q_OS_UNIX
    quitOnSignals(app, window);
#endif
    wimbly::ParentsMenu parentsMenu(window, &settings);
    parentsMenu.apply(commandLine.options.over(settings.load()));
    wimbly::Players players(window, &settings, commandLine.options, wimbly::History::defaultPath());
    window.show();
    return app.exec();
}
