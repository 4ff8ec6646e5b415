#include "recorder.h"

#include "history.h"

#include <QMetaObject>
#include <QObject>

#include <utility>

namespace wimbly {

// Lives on the recorder's thread, with the history it opens there: a database connection may
// only be used on the thread that made it.
class Recorder::Worker : public QObject {
public:
    explicit Worker(QString filePath) : m_filePath(std::move(filePath)) {}

    History& history() {
        if (!m_history) {
            m_history.emplace(m_filePath);
            m_history->open();
        }
        return *m_history;
    }
    void close() { m_history.reset(); }

private:
    QString m_filePath;
    std::optional<History> m_history;
};

Recorder::Recorder(QString filePath)
    : m_filePath(std::move(filePath)), m_worker(new Worker(m_filePath)) {
    m_thread.setObjectName(QStringLiteral("wimbly history"));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

Recorder::~Recorder() {
    // The games still queued are written first; the connection closes on its own thread.
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        m_worker, [worker] { worker->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

template <typename Task> auto Recorder::answer(Task task) {
    decltype(task(std::declval<History&>())) result{};
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        m_worker, [&result, &task, worker] { result = task(worker->history()); },
        Qt::BlockingQueuedConnection);
    return result;
}

template <typename Task> void Recorder::post(Task task) {
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        m_worker, [task = std::move(task), worker] { task(worker->history()); },
        Qt::QueuedConnection);
}

void Recorder::open() {
    post([](History&) {});
}

void Recorder::record(const GameRecord& game) {
    post([game](History& history) { history.record(game); });
}

void Recorder::renameChild(const QString& from, const QString& to) {
    post([from, to](History& history) { history.renameChild(from, to); });
}

bool Recorder::isRecording() {
    return answer([](History& history) { return history.isRecording(); });
}

QString Recorder::movedAside() {
    return answer([](History& history) { return history.movedAside(); });
}

std::vector<GameRecord> Recorder::games(const QString& child) {
    return answer([&child](History& history) { return history.games(child); });
}

std::optional<GameRecord> Recorder::lastGame(const QString& child) {
    return answer([&child](History& history) { return history.lastGame(child); });
}

bool Recorder::exportCsv(QIODevice& out) {
    return answer([&out](History& history) { return history.exportCsv(out); });
}

} // namespace wimbly
