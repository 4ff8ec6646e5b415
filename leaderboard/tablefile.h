#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

// The file operations under the leaderboard table: a lock that the operating system drops with
// its holder, careful reading of a path that may be a link, and replacing a file so that it is
// either the old or the new one, also after a crash or power cut.
namespace wimbly::tablefile {

Q_DECLARE_LOGGING_CATEGORY(lcTable)

// The table's file name. The lock beside it, the temporary files of a save and the files that
// probe a folder (canCreateIn) are named after it.
inline const QString TableFileName = QStringLiteral("tavrel.tmp");

// An exclusive lock on a lock file, held from construction to destruction. The operating system
// releases it when the holding process ends in any way, so a lock of a killed process never
// blocks anyone.
class Lock {
public:
    enum class State {
        Held,   // this object holds the lock
        Busy,   // another process held it for the whole wait
        Failed, // the lock file cannot be opened or created
    };

    // Tries for at most `waitMs` milliseconds. The wait is a poll, since a blocking wait could
    // hang the program on a lock held by a process that has stopped.
    Lock(const QString& path, int waitMs);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    State state() const { return m_state; }
    // Why the lock is not held, for the log.
    QString reason() const { return m_reason; }

private:
    State m_state = State::Failed;
    QString m_reason;
#ifdef Q_OS_WIN
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

// What stands at a path that the table is read from or written to.
struct Found {
    enum class Kind {
        Missing,   // nothing (or a link of the player that points to nothing yet)
        File,      // a regular file, whose first bytes were read
        NotAFile,  // a folder, a pipe, a device: not a table
        Refused,   // a link of another user, or to another user's file: never read nor written
        Unreadable // exists but cannot be opened or read
    };
    Kind kind = Kind::Missing;
    // The path that is read and replaced: the path itself, or the file its links lead to.
    QString target;
    QByteArray bytes;
    QString reason;
};

// Looks at `path`, following links only where each link and the file they lead to belong to the
// player, and reads at most `maxBytes` of a regular file without ever blocking on a pipe.
Found inspect(const QString& path, qint64 maxBytes);

// Replaces `target` with `bytes`: writes a new file beside it, syncs it, renames it over the old
// one and syncs the folder. On any failure the old file is untouched and the new one removed;
// `reason` then says why.
bool replace(const QString& target, const QByteArray& bytes, QString* reason);

// Whether files can be created in `folder`, tried with a real file that is removed at once.
bool canCreateIn(const QString& folder);

// Whether no user other than the player (or the administrator) can change what is in `folder`:
// it must belong to the player or the administrator and allow no writing by group or others.
bool onlyPlayerCanWrite(const QString& folder);

// Removes files named `fileName` "." and six letters or digits in `folder` that belong to the
// player: what `replace` leaves behind when the program is killed in the middle of it. Only
// call this while holding the lock, since a running save owns such a file.
void removeStrayTemporaries(const QString& folder, const QString& fileName);

} // namespace wimbly::tablefile
