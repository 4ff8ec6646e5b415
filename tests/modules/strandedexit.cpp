// A program whose service thread a service never releases, while another thread of that
// service's library waits on a stream of its own, holding the stream's lock, as the speech
// client's reader does. tst_servicethread runs it: it must still end promptly, with status 0.
#include "ownlibrary.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSemaphore>
#include <QTimer>

#include <cstdio>
#include <thread>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcStranded, "wimbly.stranded", QtCriticalMsg)

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return 2;
    std::FILE* stream = ::fdopen(pipeEnds[0], "r");
    // Blocks for ever: nothing is written to the pipe, and its writing end stays open.
    std::thread([stream] { std::fgetc(stream); }).detach();
    static QSemaphore never;
    auto thread = std::make_unique<wimbly::ServiceThread>(QStringLiteral("stranded"), nullptr, 100,
                                                          lcStranded());
    thread->post([] { never.acquire(); });
    QTimer::singleShot(100, &app, [&thread] {
        thread.reset();
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}
