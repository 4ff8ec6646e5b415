#include "tablefile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryFile>

#include <chrono>
#include <thread>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace wimbly::tablefile {

Q_LOGGING_CATEGORY(lcTable, "wimbly.leaderboard", QtCriticalMsg)

namespace {

constexpr std::chrono::milliseconds PollStep{10};
constexpr int TempSuffixLength = 6;

bool isTempSuffix(QStringView suffix) {
    if (suffix.size() != TempSuffixLength)
        return false;
    for (const QChar c : suffix) {
        if (!(c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))))
            return false;
    }
    return true;
}

// Reads at most `maxBytes` of an opened table into `found`: a File, or Unreadable with the
// reason and no bytes.
void readOpened(QFile& file, qint64 maxBytes, Found& found) {
    found.bytes = file.read(maxBytes);
    if (file.error() != QFileDevice::NoError) {
        found.kind = Found::Kind::Unreadable;
        found.reason = file.errorString();
        found.bytes.clear();
        return;
    }
    found.kind = Found::Kind::File;
}

#ifndef Q_OS_WIN
// A chain of links longer than this is refused rather than followed.
constexpr int MaxLinkHops = 8;

// Six letters or digits, as the leftovers that removeStrayTemporaries removes.
QByteArray randomSuffix() {
    static constexpr char Letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix;
    for (int i = 0; i < TempSuffixLength; ++i)
        suffix += Letters[QRandomGenerator::system()->bounded(62)];
    return suffix;
}

QString errorText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The folder part of a path, with its trailing separator ("" for a bare name).
QByteArray folderOf(const QByteArray& path) {
    return path.left(path.lastIndexOf('/') + 1);
}
#endif

} // namespace

#ifndef Q_OS_WIN

Lock::Lock(const QString& path, int waitMs) {
    const QByteArray name = QFile::encodeName(path);
    // The lock file is never a link, so nobody can point it at a file of the player's.
    m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    // A lock file made by another user (the administrator, say) can still be locked for reading.
    if (m_fd < 0 && errno == EACCES)
        m_fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (m_fd < 0) {
        m_reason = QStringLiteral("cannot open the lock file %1: %2").arg(path, errorText());
        return;
    }
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_state = State::Held;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_reason = QStringLiteral("cannot lock %1: %2").arg(path, errorText());
            return;
        }
        if (deadline.hasExpired()) {
            m_state = State::Busy;
            m_reason = QStringLiteral("%1 stayed locked by another instance").arg(path);
            return;
        }
        std::this_thread::sleep_for(PollStep);
    }
}

Lock::~Lock() {
    // Closing the descriptor releases the lock.
    if (m_fd >= 0)
        ::close(m_fd);
}

Found inspect(const QString& path, qint64 maxBytes) {
    Found found;
    const uid_t me = ::geteuid();
    QByteArray current = QFile::encodeName(path);
    bool viaLink = false;
    for (int hop = 0;; ++hop) {
        struct stat st {};
        if (::lstat(current.constData(), &st) != 0) {
            // ENOTDIR: a file stands where a folder of the path should be; nothing is there.
            if (errno == ENOENT || errno == ENOTDIR) {
                found.kind = Found::Kind::Missing;
                found.target = QFile::decodeName(current);
            } else {
                found.kind = Found::Kind::Unreadable;
                found.reason = errorText();
            }
            return found;
        }
        if (!S_ISLNK(st.st_mode))
            break;
        // Another user's link could lead the program to overwrite any file of the player's.
        if (st.st_uid != me) {
            found.kind = Found::Kind::Refused;
            found.reason =
                QStringLiteral("%1 is a link of another user").arg(QFile::decodeName(current));
            return found;
        }
        if (hop == MaxLinkHops) {
            found.kind = Found::Kind::Refused;
            found.reason = QStringLiteral("too many links");
            return found;
        }
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(current.constData(), buffer, sizeof buffer);
        if (length < 0 || length == ssize_t(sizeof buffer)) {
            found.kind = Found::Kind::Unreadable;
            found.reason = errorText();
            return found;
        }
        QByteArray next(buffer, length);
        if (!next.startsWith('/'))
            next.prepend(folderOf(current));
        current = next;
        viaLink = true;
    }
    found.target = QFile::decodeName(current);

    // O_NOFOLLOW: the path was no link a moment ago and must not have become one since.
    // O_NONBLOCK: a pipe put in the table's place must not stall the program.
    const int fd = ::open(current.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        found.kind = errno == ELOOP ? Found::Kind::Refused : Found::Kind::Unreadable;
        found.reason = errorText();
        return found;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        found.kind = Found::Kind::NotAFile;
        found.reason = QStringLiteral("%1 is not a regular file").arg(found.target);
        return found;
    }
    if (viaLink && st.st_uid != me) {
        ::close(fd);
        found.kind = Found::Kind::Refused;
        found.reason =
            QStringLiteral("a link leads to %1, a file of another user").arg(found.target);
        return found;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        found.kind = Found::Kind::Unreadable;
        found.reason = file.errorString();
        return found;
    }
    readOpened(file, maxBytes, found);
    return found;
}

bool replace(const QString& target, const QByteArray& bytes, QString* reason) {
    const QByteArray final = QFile::encodeName(target);
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = final + '.' + randomSuffix();
        // Mode 0666 under the umask, as any new file of the player's.
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        *reason = QStringLiteral("cannot create a file beside %1: %2").arg(target, errorText());
        return false;
    }
    const auto fail = [&](const QString& step) {
        *reason = QStringLiteral("%1 %2: %3").arg(step, QFile::decodeName(temp), errorText());
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.constData());
        return false;
    };
    // A table the player has made private stays private.
    struct stat old {};
    if (::stat(final.constData(), &old) == 0 && S_ISREG(old.st_mode) &&
        ::fchmod(fd, old.st_mode & 07777) != 0)
        qCInfo(lcTable, "cannot keep the mode of %s: %s", final.constData(), std::strerror(errno));
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(QStringLiteral("cannot write"));
        done += n;
    }
    // The data must be on the disk before the name points to it, or a power cut could leave
    // an empty table behind the new name.
    if (::fsync(fd) != 0)
        return fail(QStringLiteral("cannot sync"));
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail(QStringLiteral("cannot close"));
    if (::rename(temp.constData(), final.constData()) != 0)
        return fail(QStringLiteral("cannot rename"));
    // The rename itself lives in the folder: sync it, or a power cut can bring the old table
    // back. Some file systems cannot sync a folder; the table is complete either way.
    QByteArray folder = folderOf(final);
    if (folder.isEmpty())
        folder = ".";
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || ::fsync(dir) != 0)
        qCInfo(lcTable, "cannot sync the folder %s: %s", folder.constData(), std::strerror(errno));
    if (dir >= 0)
        ::close(dir);
    return true;
}

bool onlyPlayerCanWrite(const QString& folder) {
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        return false;
    // A sticky bit does not help: others could still plant a table or a link before the
    // player's first game.
    return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

void removeStrayTemporaries(const QString& folder, const QString& fileName) {
    const QDir dir(folder);
    const QString prefix = fileName + QLatin1Char('.');
    const QStringList names =
        dir.entryList({prefix + QString(TempSuffixLength, QLatin1Char('?'))},
                      QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!isTempSuffix(QStringView(name).mid(prefix.size())))
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        if (::unlink(path.constData()) == 0)
            qCInfo(lcTable, "removed %s, left by an interrupted save", path.constData());
    }
}

#else // Q_OS_WIN

Lock::Lock(const QString& path, int waitMs) {
    HANDLE handle =
        ::CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        m_reason = QStringLiteral("cannot open the lock file %1 (error %2)")
                       .arg(path)
                       .arg(::GetLastError());
        return;
    }
    m_handle = handle;
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        OVERLAPPED where{};
        if (::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                         &where)) {
            m_state = State::Held;
            return;
        }
        if (::GetLastError() != ERROR_LOCK_VIOLATION) {
            m_reason = QStringLiteral("cannot lock %1 (error %2)").arg(path).arg(::GetLastError());
            return;
        }
        if (deadline.hasExpired()) {
            m_state = State::Busy;
            m_reason = QStringLiteral("%1 stayed locked by another instance").arg(path);
            return;
        }
        std::this_thread::sleep_for(PollStep);
    }
}

Lock::~Lock() {
    // Closing the handle releases the lock.
    if (m_handle)
        ::CloseHandle(static_cast<HANDLE>(m_handle));
}

Found inspect(const QString& path, qint64 maxBytes) {
    Found found;
    const QFileInfo info(path);
    found.target = info.isSymLink() ? info.symLinkTarget() : path;
    const QFileInfo target(found.target);
    if (!target.exists())
        return found;
    if (!target.isFile()) {
        found.kind = Found::Kind::NotAFile;
        found.reason = QStringLiteral("%1 is not a regular file").arg(found.target);
        return found;
    }
    QFile file(found.target);
    if (!file.open(QIODevice::ReadOnly)) {
        found.kind = Found::Kind::Unreadable;
        found.reason = file.errorString();
        return found;
    }
    readOpened(file, maxBytes, found);
    return found;
}

bool replace(const QString& target, const QByteArray& bytes, QString* reason) {
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        *reason = file.errorString();
        return false;
    }
    // On a full disk QSaveFile can report a successful write and commit a truncated file, so
    // the write and the flush are checked before the old file is replaced.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        *reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

// Windows folders carry access lists, not modes; the per-user folder is the safe default there
// whenever the program's folder cannot be written.
bool onlyPlayerCanWrite(const QString& folder) {
    return QFileInfo(folder).isDir();
}

void removeStrayTemporaries(const QString& folder, const QString& fileName) {
    const QDir dir(folder);
    const QString prefix = fileName + QLatin1Char('.');
    const QFileInfoList entries = dir.entryInfoList(
        {prefix + QString(TempSuffixLength, QLatin1Char('?'))}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() || !isTempSuffix(QStringView(entry.fileName()).mid(prefix.size())))
            continue;
        if (QFile::remove(entry.filePath()))
            qCInfo(lcTable, "removed %s, left by an interrupted save",
                   qPrintable(entry.filePath()));
    }
}

#endif

bool canCreateIn(const QString& folder) {
    // A probe file is the one test of writability that holds everywhere: access rights alone
    // miss read-only mounts on some systems and access lists on others.
    // Named after the table, so a probe left behind by a crash says whose it is.
    QTemporaryFile probe(QDir(folder).filePath(QFileInfo(TableFileName).completeBaseName() +
                                               QStringLiteral("-XXXXXX.probe")));
    return probe.open();
}

} // namespace wimbly::tablefile
