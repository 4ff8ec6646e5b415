#include "ownlibrary.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QList>
#include <QPointer>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace wimbly {

namespace {

#ifdef Q_OS_UNIX
// Whether the file at `path` can be trusted to be the program's own library: it and every folder
// above it belong to the user or the administrator, and none of them can be written by every
// user (a folder anyone may write counts only with its sticky bit, in which nobody can remove or
// rename another's entries). A group that may write them is trusted as much as the program's own
// folder, which such a group could change just as well.
bool ownedSafely(const QString& path) {
    QByteArray current = QFile::encodeName(path);
    const uid_t me = ::geteuid();
    for (;;) {
        struct stat st {};
        if (::stat(current.constData(), &st) != 0 || (st.st_uid != me && st.st_uid != 0))
            return false;
        if ((st.st_mode & S_IWOTH) && !(S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)))
            return false;
        if (current == "/")
            return true;
        const qsizetype slash = current.lastIndexOf('/');
        current = slash > 0 ? current.left(slash) : QByteArray("/");
    }
}
#else
bool ownedSafely(const QString&) {
    return true;
}
#endif

struct Stranded {
    QPointer<QThread> thread;
    unsigned long waitMs;
    const QLoggingCategory* category;
};

// Worker threads that a service held when their owner was destroyed (main thread only).
QList<Stranded>& strandedThreads() {
    static QList<Stranded> threads;
    return threads;
}

// Runs when the application object is destroyed, before the libraries are torn down. A thread
// still stuck inside one would make its teardown hang or abort, so the process ends here
// instead, having finished everything else that an exit does before this point.
void endIfStillStranded() {
    for (const Stranded& stranded : std::as_const(strandedThreads())) {
        if (stranded.thread && !stranded.thread->wait(stranded.waitMs)) {
            qCWarning(*stranded.category, "a service does not answer; ending without its cleanup");
            // Only the program's own output: fflush(nullptr) would wait for every stream, and a
            // thread of the service's library may be blocked reading one of its own (the speech
            // client's reader does so all the time), holding that stream's lock for ever.
            std::fflush(stdout);
            std::fflush(stderr);
            std::_Exit(EXIT_SUCCESS);
        }
    }
}

// Takes over a worker thread that did not stop in time because a service it called does not
// answer: the thread's object is freed once it ends, and endIfStillStranded() watches it.
void leaveBehind(QThread* thread, unsigned long waitMs, const QLoggingCategory& category) {
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (thread->isFinished()) // it ended before the connection above was made
        thread->deleteLater();
    static const bool exitHookAdded = (qAddPostRoutine(endIfStillStranded), true);
    Q_UNUSED(exitHookAdded);
    strandedThreads().removeIf([](const Stranded& s) { return !s.thread; });
    strandedThreads().append({thread, waitMs, &category});
}

} // namespace

QFunctionPointer resolveOwnLibrary(const char* pathVariable, const QString& fromProgram,
                                   const char* symbol, const QLoggingCategory& category,
                                   const char* without) {
    QString path = qEnvironmentVariable(pathVariable);
    if (path.isEmpty())
        path = QCoreApplication::applicationDirPath() + QLatin1Char('/') + fromProgram;
    // The very file that was checked is loaded, whatever links led to it.
    const QString file = QFileInfo(path).canonicalFilePath();
    if (file.isEmpty() || !ownedSafely(file)) {
        qCWarning(category, "the library %s is missing or not safely installed; %s",
                  qUtf8Printable(path), without);
        return nullptr;
    }
    // The library stays loaded for the life of the process: the threads it starts end only
    // with it.
    QLibrary library(file);
    if (const QFunctionPointer entry = library.resolve(symbol))
        return entry;
    qCWarning(category, "the library %s cannot be loaded; %s", qUtf8Printable(file), without);
    return nullptr;
}

ServiceThread::ServiceThread(const QString& name, std::function<void()> last, unsigned long waitMs,
                             const QLoggingCategory& category)
    : m_thread(new QThread), m_worker(new QObject), m_last(std::move(last)), m_waitMs(waitMs),
      m_category(category) {
    m_thread->setObjectName(name);
    m_worker->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

ServiceThread::~ServiceThread() {
    post([last = std::move(m_last)] {
        if (last)
            last();
        QThread::currentThread()->quit();
    });
    if (m_thread->wait(m_waitMs)) {
        delete m_thread;
        return;
    }
    qCWarning(m_category, "the thread %s did not stop in time; leaving it behind",
              qUtf8Printable(m_thread->objectName()));
    leaveBehind(m_thread, m_waitMs, m_category);
}

void ServiceThread::post(std::function<void()> work) {
    QMetaObject::invokeMethod(m_worker, std::move(work), Qt::QueuedConnection);
}

} // namespace wimbly
