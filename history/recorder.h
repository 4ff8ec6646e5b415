#pragma once

#include "gamerecord.h"

#include <QString>
#include <QThread>

#include <optional>
#include <vector>

class QIODevice;

namespace wimbly {

class History;

// The history as the running game uses it: every call is carried out on a thread of the
// recorder's own, in the order it was made, so that a slow or busy disk never holds up a frame
// or a click. Recording and renaming return at once; the calls that answer wait for everything
// asked before them, so they see every game already recorded.
//
// Nothing is opened before the first call. The recorder is used from one thread, the one that
// made it; its destructor waits until every game given has been written.
class Recorder {
public:
    explicit Recorder(QString filePath);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    const QString& filePath() const { return m_filePath; }

    // Opens the history (History::open), without waiting for it.
    void open();
    // Adds `game`, without waiting for it.
    void record(const GameRecord& game);
    // Gives every game of `from` to `to`, without waiting for it.
    void renameChild(const QString& from, const QString& to);

    // As History has them, once everything asked before is done.
    bool isRecording();
    QString movedAside();
    std::vector<GameRecord> games(const QString& child);
    std::optional<GameRecord> lastGame(const QString& child);
    // `out` is written on the recorder's thread while this one waits.
    bool exportCsv(QIODevice& out);

private:
    class Worker;
    // Runs `task` on the recorder's thread with the opened history, and waits for it.
    template <typename Task> auto answer(Task task);
    // Runs `task` there, later.
    template <typename Task> void post(Task task);

    QString m_filePath;
    QThread m_thread;
    Worker* m_worker;
};

} // namespace wimbly
