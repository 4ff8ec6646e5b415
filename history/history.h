#pragma once

#include "gamerecord.h"

#include <QString>

#include <optional>
#include <vector>

class QIODevice;
class QSqlQuery;

namespace wimbly {

// The record of every game played on this computer, in an SQLite database. Nothing of it leaves
// the machine. Several copies of the program may record into the same file at once.
//
// A history that cannot be written never stops a game: recording then does nothing and says so.
class History {
public:
    // The history kept in `filePath`; nothing is read or written before open().
    explicit History(QString filePath);
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // $XDG_DATA_HOME/wimbly/history.sqlite, or ~/.local/share/wimbly/history.sqlite when
    // XDG_DATA_HOME is unset.
    static QString defaultPath();

    const QString& filePath() const { return m_filePath; }

    // Opens the file, making its folder and the file when missing and bringing an older layout
    // up to date. A file that is not a readable history is moved aside in its folder as
    // history.sqlite.damaged-<UTC time> and a new history is started in its place. Returns
    // whether games are recorded from now on.
    bool open();
    bool isRecording() const;
    // Where open() moved a damaged file, or empty when it moved none.
    const QString& movedAside() const { return m_movedAside; }

    // Adds `game`; false when the history is not being recorded or the write failed.
    bool record(const GameRecord& game);

    // The games of `child` (empty: games played with no child chosen), oldest first.
    std::vector<GameRecord> games(const QString& child) const;
    // The most recent game of `child`.
    std::optional<GameRecord> lastGame(const QString& child) const;
    // Gives every game of `from` to `to`, when a child is renamed.
    bool renameChild(const QString& from, const QString& to);

    // Writes every game as CSV (UTF-8, RFC 4180, CR LF line ends) with the header
    // child,started,seconds,score,longest,turns,mistakes,pace,start_length,lives,ended
    // in the order they were played; false when the history cannot be read or `out` written.
    bool exportCsv(QIODevice& out) const;
    // The same for the history in `filePath`, read without changing it: a missing file gives the
    // header alone. For exporting from the command line while the game may be running.
    static bool exportFile(const QString& filePath, QIODevice& out);

private:
    // What attach() found at the file.
    enum class Verdict {
        Ready,    // open, up to date and writable
        Damaged,  // not a history: to be moved aside
        Unusable, // cannot be written now (or is from a newer program): left as it is
    };
    // Opens the connection and checks the file, bringing it up to date; the connection stays
    // open only when the verdict is Ready.
    Verdict attach();
    // Checks an existing file through a read-only connection, which changes nothing in it nor
    // beside it.
    Verdict inspect();
    // Opens the connection for writing, switches to the write-ahead log and upgrades the file.
    Verdict prepare();
    // Renames the file and its companions to a free history.sqlite.damaged-<UTC time> name.
    bool moveAside();
    // Closes and removes the connection.
    void detach();
    // Adds the connection and opens the file with `options`; false, having logged why, when it
    // cannot be opened.
    bool connect(const QString& options);
    // What a failed statement of `query` says of the file: damaged, or not usable now.
    Verdict failed(const QSqlQuery& query, const char* what) const;

    QString m_filePath;
    QString m_connection;
    QString m_movedAside;
    bool m_open = false;
};

} // namespace wimbly
