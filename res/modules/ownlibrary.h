#pragma once

#include <QFunctionPointer>
#include <QLoggingCategory>
#include <QString>

#include <functional>

class QObject;
class QThread;

namespace wimbly {

// The entry point `symbol` of one of the program's own libraries, loaded at run time: the file
// at `fromProgram`, relative to the program's folder (installed and in the build tree alike),
// or the file that the environment variable `pathVariable` names (test programs deeper in the
// build tree). The library is loaded only where the file and every folder above it belong to
// the user or the administrator and none of them can be written by every user, so that a copy
// of the game in a shared folder never runs a library someone else put beside it. Null, with a
// warning in `category` that ends in `without`, when the library is missing, not safely
// installed, or lacks the symbol. A loaded library stays loaded for the life of the process.
QFunctionPointer resolveOwnLibrary(const char* pathVariable, const QString& fromProgram,
                                   const char* symbol, const QLoggingCategory& category,
                                   const char* without);

// A thread of its own for calls into a service beyond the program that may stall (the sound
// server, the speech service), so that none of them holds up the caller. The work posted runs
// in order, in the context of one worker object on that thread; posting never waits.
//
// Destroying it posts `last` and then the end of the thread's event loop, and waits up to
// `waitMs` for the thread to end. A thread that a service still holds is left behind: its
// objects are freed once it ends, and if it is still stuck when the application object is
// destroyed, the process ends there, before the libraries the thread is inside are torn down
// (which would hang or abort). The work posted keeps alive whatever it captured until it has
// run. Make and destroy it on the main thread.
class ServiceThread {
public:
    ServiceThread(const QString& name, std::function<void()> last, unsigned long waitMs,
                  const QLoggingCategory& category);
    ~ServiceThread();
    ServiceThread(const ServiceThread&) = delete;
    ServiceThread& operator=(const ServiceThread&) = delete;

    // Runs `work` on the thread after what was posted before it.
    void post(std::function<void()> work);
    // The object on the thread that the work runs in the context of.
    QObject* worker() const { return m_worker; }

private:
    QThread* m_thread;
    QObject* m_worker;
    std::function<void()> m_last;
    unsigned long m_waitMs;
    const QLoggingCategory& m_category;
};

} // namespace wimbly
