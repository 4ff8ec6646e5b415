#pragma once

#include <QFunctionPointer>
#include <QLoggingCategory>
#include <QString>

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

// Takes over a worker thread that did not stop within `waitMs` because a service it called
// does not answer: the thread's object is freed once it ends, and if it is still stuck when the
// application object is destroyed, the process ends there, before the libraries the thread is
// inside are torn down (which would hang or abort). Call from the main thread.
void leaveBehind(QThread* thread, unsigned long waitMs, const QLoggingCategory& category);

} // namespace wimbly
