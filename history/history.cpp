#include "history.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QVariant>

#include <atomic>
#include <utility>

namespace wimbly {

namespace {

Q_LOGGING_CATEGORY(lcHistory, "wimbly.history", QtWarningMsg)

// The layout this program writes, kept in the file's user_version. Version 0 is a new, empty
// file. Each layout change adds a version and a step in upgradeStep().
constexpr int CurrentVersion = 1;

// How long a statement waits for another copy of the program to finish its write. Writes are
// single short transactions, so the wait is normally a few microseconds; the limit only matters
// when the other copy hangs with the file locked.
const QString ConnectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000");
const QString ReadOnlyOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000;QSQLITE_OPEN_READONLY");

// The columns in the order of GameRecord, the CSV and every query here.
#define WIMBLY_HISTORY_COLUMNS                                                                     \
    "child, started, seconds, score, longest, turns, mistakes, pace, start_length, lives, ended"

const QByteArray CsvHeader =
    QByteArrayLiteral("child,started,seconds,score,longest,turns,mistakes,pace,start_length,"
                      "lives,ended\r\n");

// SQLite's primary result codes that say the file itself is no database, or a broken one.
constexpr int SqliteError = 1; // among others: no such table, no such column
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;

QString newConnectionName() {
    static std::atomic<quint64> next{0};
    return QStringLiteral("wimbly.history.%1").arg(next.fetch_add(1, std::memory_order_relaxed));
}

int primaryCode(const QSqlError& error) {
    // Extended result codes carry the primary code in their low byte.
    return error.nativeErrorCode().toInt() & 0xff;
}

// Whether `error` says the file is not a database or a damaged one, rather than that it cannot
// be reached right now (locked, read-only, out of space, an input/output error). Only the
// former moves a file aside: a history must never be set aside for a passing reason.
bool isDamage(const QSqlError& error) {
    const int code = primaryCode(error);
    return code == SqliteCorrupt || code == SqliteNotADatabase;
}

QString describe(const QSqlError& error) {
    return QStringLiteral("%1 (SQLite code %2)").arg(error.text(), error.nativeErrorCode());
}

// SQLite binds a null QString as NULL; the columns hold text, so it becomes "".
QString notNull(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

// `started` as stored: 2026-12-07T21:00:00Z, or "" for no time.
QString startedText(const QDateTime& started) {
    return started.isValid() ? started.toUTC().toString(Qt::ISODate) : QStringLiteral("");
}

// The number written in `count` digits of `text` from `from`; -1 when one of them is no digit.
int digits(QStringView text, qsizetype from, qsizetype count) {
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// Reads `started` back. The form this program stores is read digit by digit, once for each of
// thousands of games, without the general ISO parser's search through every form it accepts;
// any other form (a file edited by hand, say) goes to that parser.
QDateTime parseStarted(const QString& text) {
    if (text.size() == 20 && text[4] == u'-' && text[7] == u'-' && text[10] == u'T' &&
        text[13] == u':' && text[16] == u':' && text[19] == u'Z') {
        const QDate date(digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2));
        const QTime time(digits(text, 11, 2), digits(text, 14, 2), digits(text, 17, 2));
        if (date.isValid() && time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
    if (text.isEmpty())
        return {};
    return QDateTime::fromString(text, Qt::ISODate).toUTC();
}

// One game from a query over WIMBLY_HISTORY_COLUMNS. The ended texts are shared with the
// constants, so a long history holds one copy of each.
GameRecord readGame(const QSqlQuery& query) {
    static const QString Endings[] = {QStringLiteral("over"), QStringLiteral("restart"),
                                      QStringLiteral("closed")};
    GameRecord game;
    game.child = query.value(0).toString();
    game.started = parseStarted(query.value(1).toString());
    game.seconds = query.value(2).toLongLong();
    game.score = query.value(3).toInt();
    game.longest = query.value(4).toInt();
    game.turns = query.value(5).toInt();
    game.mistakes = query.value(6).toInt();
    game.pace = query.value(7).toInt();
    game.startLength = query.value(8).toInt();
    game.lives = query.value(9).toInt();
    game.ended = query.value(10).toString();
    for (const QString& ending : Endings) {
        if (game.ended == ending) {
            game.ended = ending;
            break;
        }
    }
    return game;
}

// Appends one CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a
// line break. Nothing else is changed: a name that starts with "=" is still the child's name.
void appendField(QByteArray& line, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\r') ||
        bytes.contains('\n')) {
        line += '"';
        line += QByteArray(bytes).replace('"', "\"\"");
        line += '"';
    } else {
        line += bytes;
    }
}

// Writes every game of `db` to `out` as CSV; nothing is written when the games cannot be read.
bool writeCsv(const QSqlDatabase& db, QIODevice& out) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT " WIMBLY_HISTORY_COLUMNS
                                   " FROM games ORDER BY started, rowid"))) {
        qCInfo(lcHistory, "cannot read %s: %s", qPrintable(db.databaseName()),
               qPrintable(describe(query.lastError())));
        return false;
    }
    // Written in pieces, so a long history neither waits in memory whole nor costs a write
    // call a line.
    constexpr qsizetype Piece = 64 * 1024;
    QByteArray buffer = CsvHeader;
    const auto flush = [&] {
        const bool written = out.write(buffer) == buffer.size();
        buffer.clear();
        return written;
    };
    while (query.next()) {
        appendField(buffer, query.value(0).toString());
        buffer += ',';
        appendField(buffer, query.value(1).toString());
        for (int column = 2; column <= 9; ++column) {
            buffer += ',';
            buffer += QByteArray::number(query.value(column).toLongLong());
        }
        buffer += ',';
        appendField(buffer, query.value(10).toString());
        buffer += "\r\n";
        if (buffer.size() >= Piece && !flush())
            return false;
    }
    if (query.lastError().isValid()) {
        qCInfo(lcHistory, "cannot read %s: %s", qPrintable(db.databaseName()),
               qPrintable(describe(query.lastError())));
        return false;
    }
    return flush();
}

// The verdict on a failed statement while checking a file.
enum class Failure { Damaged, Unusable };

Failure judge(const QSqlError& error, const QString& path, const char* what) {
    qCInfo(lcHistory, "%s: %s: %s", qPrintable(path), what, qPrintable(describe(error)));
    return isDamage(error) ? Failure::Damaged : Failure::Unusable;
}

// The change from version `from` to version `from + 1`. Runs inside the transaction that also
// sets the new version, so a file is always at one version or the next, never in between.
bool upgradeStep(QSqlQuery& query, int from) {
    switch (from) {
    case 0:
        // The games of one child are loaded by child and then in the order played: the index
        // holds exactly that order (the rowid comes last in every index entry).
        return query.exec(QStringLiteral("CREATE TABLE games ("
                                         "child TEXT NOT NULL DEFAULT '',"
                                         "started TEXT NOT NULL,"
                                         "seconds INTEGER NOT NULL,"
                                         "score INTEGER NOT NULL,"
                                         "longest INTEGER NOT NULL,"
                                         "turns INTEGER NOT NULL,"
                                         "mistakes INTEGER NOT NULL,"
                                         "pace INTEGER NOT NULL,"
                                         "start_length INTEGER NOT NULL,"
                                         "lives INTEGER NOT NULL,"
                                         "ended TEXT NOT NULL)")) &&
               query.exec(QStringLiteral("CREATE INDEX games_by_child ON games (child, started)"));
    default:
        return false;
    }
}

enum class Upgrade { Done, Foreign, Newer, Failed };

// Brings the file from its version up to CurrentVersion, one version a transaction. Each step
// reads the version again after taking the write lock, since another copy of the program may
// have upgraded the file in the meantime.
Upgrade upgrade(const QSqlDatabase& db) {
    QSqlQuery query(db);
    const QString path = db.databaseName();
    for (;;) {
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            qCInfo(lcHistory, "%s: cannot begin the upgrade: %s", qPrintable(path),
                   qPrintable(describe(query.lastError())));
            return Upgrade::Failed;
        }
        const auto rollBack = [&](Upgrade result) {
            query.finish();
            query.exec(QStringLiteral("ROLLBACK"));
            return result;
        };
        if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
            return rollBack(Upgrade::Failed);
        const int version = query.value(0).toInt();
        query.finish();
        if (version == CurrentVersion)
            return rollBack(Upgrade::Done);
        if (version > CurrentVersion || version < 0)
            return rollBack(Upgrade::Newer);
        if (version == 0) {
            // A file at version 0 is new and empty. One with tables of its own is some other
            // program's database, which is not changed.
            if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
                return rollBack(Upgrade::Failed);
            const bool empty = query.value(0).toInt() == 0;
            query.finish();
            if (!empty) {
                qCInfo(lcHistory, "%s holds tables but no history version", qPrintable(path));
                return rollBack(Upgrade::Foreign);
            }
        }
        if (!upgradeStep(query, version) ||
            !query.exec(QStringLiteral("PRAGMA user_version = %1").arg(version + 1)) ||
            !query.exec(QStringLiteral("COMMIT"))) {
            qCInfo(lcHistory, "%s: cannot upgrade from version %d: %s", qPrintable(path), version,
                   qPrintable(describe(query.lastError())));
            return rollBack(Upgrade::Failed);
        }
    }
}

// Whether the file has the games table with every column this version reads and writes. A file
// of the current version without them is broken. On false, query.lastError() says why.
bool hasGamesTable(QSqlQuery& query, const QString& path) {
    if (query.exec(QStringLiteral("SELECT " WIMBLY_HISTORY_COLUMNS " FROM games LIMIT 0")))
        return true;
    qCInfo(lcHistory, "%s has no usable games table: %s", qPrintable(path),
           qPrintable(describe(query.lastError())));
    return false;
}

// Copies the games in the write-ahead log into the file, as far as no reader of another copy of
// the program still needs them. Never waits: what is left is copied the next time.
void checkpoint(QSqlQuery& query, const QString& path) {
    if (!query.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")))
        qCInfo(lcHistory, "cannot copy the log into %s: %s", qPrintable(path),
               qPrintable(describe(query.lastError())));
    query.finish();
}

// Whether the error of hasGamesTable() says the table or a column is missing, or the file is
// damaged, rather than that it cannot be read right now.
bool lacksGames(const QSqlError& error) {
    return primaryCode(error) == SqliteError || isDamage(error);
}

// Whether files can be made in `folder`, tried with a real file that is removed at once: access
// rights alone miss read-only mounts on some systems and access lists on others. SQLite needs it
// for the write-ahead log beside the history.
bool canCreateIn(const QString& folder, const QString& fileName) {
    QTemporaryFile probe(QDir(folder).filePath(fileName + QStringLiteral("-XXXXXX.probe")));
    return probe.open();
}

} // namespace

History::History(QString filePath)
    : m_filePath(std::move(filePath)), m_connection(newConnectionName()) {}

History::~History() {
    detach();
}

QString History::defaultPath() {
    // Only an absolute XDG_DATA_HOME counts; a relative one is to be ignored.
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome)) {
#ifdef Q_OS_WIN
        dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
#endif
    }
    return QDir::cleanPath(dataHome + QStringLiteral("/wimbly/history.sqlite"));
}

bool History::open() {
    detach();
    m_movedAside.clear();
    Verdict verdict = attach();
    if (verdict == Verdict::Damaged) {
        // Once only: a file found damaged right after it was made new is not moved again.
        if (!moveAside())
            return false;
        verdict = attach();
    }
    m_open = verdict == Verdict::Ready;
    return m_open;
}

bool History::isRecording() const {
    return m_open;
}

History::Verdict History::attach() {
    const QFileInfo info(m_filePath);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder)) {
        qCInfo(lcHistory, "cannot make the folder %s", qPrintable(folder));
        return Verdict::Unusable;
    }
    if (!canCreateIn(folder, info.fileName())) {
        qCInfo(lcHistory, "cannot write in the folder %s", qPrintable(folder));
        return Verdict::Unusable;
    }
    // Checked before SQLite opens the file, which would fall back to reading alone.
    if (info.exists() && (!info.isFile() || !info.isReadable() || !info.isWritable())) {
        qCInfo(lcHistory, "%s is not a file that can be read and written", qPrintable(m_filePath));
        return Verdict::Unusable;
    }
    // A file is looked at before it is opened for writing: the last writing connection to close
    // removes the log beside the file, and switching to the log changes the file's header. A
    // damaged file is moved aside, and a newer program's file left, exactly as found.
    if (info.exists()) {
        const Verdict found = inspect();
        detach();
        if (found != Verdict::Ready)
            return found;
    }
    const Verdict verdict = prepare();
    if (verdict != Verdict::Ready)
        detach();
    return verdict;
}

// Every QSqlDatabase and QSqlQuery of inspect() and prepare() is gone when they return, before
// detach() removes the connection.
bool History::connect(const QString& options) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_filePath);
    db.setConnectOptions(options);
    if (db.open())
        return true;
    qCInfo(lcHistory, "cannot open %s: %s", qPrintable(m_filePath),
           qPrintable(describe(db.lastError())));
    return false;
}

History::Verdict History::failed(const QSqlQuery& query, const char* what) const {
    return judge(query.lastError(), m_filePath, what) == Failure::Damaged ? Verdict::Damaged
                                                                          : Verdict::Unusable;
}

History::Verdict History::inspect() {
    if (!connect(ReadOnlyOptions))
        return Verdict::Unusable;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    const auto fail = [&](const char* what) { return failed(query, what); };
    // The first read of the file: a file that is no database fails here.
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return fail("cannot read the version");
    const int version = query.value(0).toInt();
    query.finish();
    if (version > CurrentVersion || version < 0) {
        qCInfo(lcHistory, "%s is of version %d, made by a newer program: not recorded",
               qPrintable(m_filePath), version);
        return Verdict::Unusable;
    }
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next())
        return fail("cannot check");
    if (query.value(0).toString() != QLatin1String("ok")) {
        qCInfo(lcHistory, "%s is damaged: %s", qPrintable(m_filePath),
               qPrintable(query.value(0).toString()));
        return Verdict::Damaged;
    }
    query.finish();
    if (version == 0) {
        // A new file is empty. One with tables is some other program's database.
        if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
            return fail("cannot read the tables");
        if (query.value(0).toInt() != 0) {
            qCInfo(lcHistory, "%s holds tables but no history version", qPrintable(m_filePath));
            return Verdict::Damaged;
        }
    } else if (version == CurrentVersion && !hasGamesTable(query, m_filePath)) {
        return lacksGames(query.lastError()) ? Verdict::Damaged : Verdict::Unusable;
    }
    return Verdict::Ready;
}

History::Verdict History::prepare() {
    if (!connect(ConnectOptions))
        return Verdict::Unusable;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    const auto fail = [&](const char* what) { return failed(query, what); };
    // The write-ahead log lets copies of the program read and write at once, and with
    // synchronous=NORMAL a game costs no wait for the disk: a crash of the program loses
    // nothing committed, a power cut at most the last games.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next())
        return fail("cannot switch to the write-ahead log");
    if (query.value(0).toString() != QLatin1String("wal")) {
        qCInfo(lcHistory, "%s stays in journal mode %s", qPrintable(m_filePath),
               qPrintable(query.value(0).toString()));
        return Verdict::Unusable;
    }
    query.finish();
    if (!query.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return fail("cannot set synchronous");
    // SQLite copies the log into the file (a checkpoint, with two syncs) in the commit that fills
    // the log past a limit: tens of milliseconds on the UI thread once in some hundred games.
    // The log is copied here and when the history closes instead; a session's games make a
    // log of some kilobytes a game, which the file takes in at the next start or end.
    if (!query.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")))
        return fail("cannot set the checkpoints");
    switch (upgrade(db)) {
    case Upgrade::Done:
        break;
    case Upgrade::Foreign:
        return Verdict::Damaged;
    case Upgrade::Newer:
    case Upgrade::Failed:
        return Verdict::Unusable;
    }
    if (!hasGamesTable(query, m_filePath))
        return lacksGames(query.lastError()) ? Verdict::Damaged : Verdict::Unusable;
    checkpoint(query, m_filePath);
    return Verdict::Ready;
}

bool History::moveAside() {
    detach();
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString base = m_filePath + QStringLiteral(".damaged-") + stamp;
    // The write-ahead log and its index go with the file: left behind, the log could be played
    // into the new history.
    const QString companions[] = {QStringLiteral("-wal"), QStringLiteral("-shm")};
    const auto taken = [&](const QString& name) {
        if (QFileInfo::exists(name))
            return true;
        for (const QString& companion : companions) {
            if (QFileInfo::exists(name + companion))
                return true;
        }
        return false;
    };
    QString target = base;
    for (int n = 2; taken(target); ++n)
        target = base + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(m_filePath, target)) {
        qCInfo(lcHistory, "cannot move the damaged %s aside", qPrintable(m_filePath));
        return false;
    }
    qCInfo(lcHistory, "moved the damaged %s to %s", qPrintable(m_filePath), qPrintable(target));
    m_movedAside = target;
    for (const QString& companion : companions) {
        const QString from = m_filePath + companion;
        if (QFileInfo::exists(from) && !QFile::rename(from, target + companion) &&
            !QFile::remove(from)) {
            qCInfo(lcHistory, "cannot move %s aside", qPrintable(from));
            return false;
        }
    }
    return true;
}

void History::detach() {
    if (m_open) {
        // Closing checkpoints only when no other copy of the program has the file open.
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        checkpoint(query, m_filePath);
    }
    m_open = false;
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool History::record(const GameRecord& game) {
    if (!m_open)
        return false;
    // One statement, so one transaction: a game is in the file whole or not at all.
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("INSERT INTO games (" WIMBLY_HISTORY_COLUMNS
                                 ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    query.addBindValue(notNull(game.child));
    query.addBindValue(startedText(game.started));
    query.addBindValue(game.seconds);
    query.addBindValue(game.score);
    query.addBindValue(game.longest);
    query.addBindValue(game.turns);
    query.addBindValue(game.mistakes);
    query.addBindValue(game.pace);
    query.addBindValue(game.startLength);
    query.addBindValue(game.lives);
    query.addBindValue(notNull(game.ended));
    if (!query.exec()) {
        qCInfo(lcHistory, "cannot record a game in %s: %s", qPrintable(m_filePath),
               qPrintable(describe(query.lastError())));
        return false;
    }
    return true;
}

std::vector<GameRecord> History::games(const QString& child) const {
    std::vector<GameRecord> games;
    if (!m_open)
        return games;
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // The number of games first, from the index alone (well under a millisecond), so the
    // vector is allocated once. Counting within the query itself (a window function) would
    // make SQLite gather every row before the first one comes.
    QSqlQuery count(db);
    count.prepare(QStringLiteral("SELECT count(*) FROM games WHERE child = ?"));
    count.addBindValue(notNull(child));
    if (count.exec() && count.next())
        games.reserve(size_t(count.value(0).toLongLong()));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT " WIMBLY_HISTORY_COLUMNS
                                 " FROM games WHERE child = ? ORDER BY started, rowid"));
    query.addBindValue(notNull(child));
    if (!query.exec()) {
        qCInfo(lcHistory, "cannot read the games of %s: %s", qPrintable(m_filePath),
               qPrintable(describe(query.lastError())));
        return games;
    }
    while (query.next()) {
        games.push_back(readGame(query));
        // Every game has the child's name: one shared copy instead of one a game.
        games.back().child = child;
    }
    return games;
}

std::optional<GameRecord> History::lastGame(const QString& child) const {
    if (!m_open)
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT " WIMBLY_HISTORY_COLUMNS " FROM games WHERE child = ?"
                                 " ORDER BY started DESC, rowid DESC LIMIT 1"));
    query.addBindValue(notNull(child));
    if (!query.exec() || !query.next())
        return std::nullopt;
    GameRecord game = readGame(query);
    game.child = child;
    return game;
}

bool History::renameChild(const QString& from, const QString& to) {
    if (!m_open)
        return false;
    // One statement: every game moves to the new name, or none does.
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("UPDATE games SET child = ? WHERE child = ?"));
    query.addBindValue(notNull(to));
    query.addBindValue(notNull(from));
    if (!query.exec()) {
        qCInfo(lcHistory, "cannot rename %s in %s: %s", qPrintable(from), qPrintable(m_filePath),
               qPrintable(describe(query.lastError())));
        return false;
    }
    return true;
}

bool History::exportCsv(QIODevice& out) const {
    if (!m_open)
        return false;
    return writeCsv(QSqlDatabase::database(m_connection, false), out);
}

bool History::exportFile(const QString& filePath, QIODevice& out) {
    // A missing file is a history without games. Opening it, even to read, would create it.
    if (!QFileInfo::exists(filePath))
        return out.write(CsvHeader) == CsvHeader.size();
    const QString connection = newConnectionName();
    bool written = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(filePath);
        // Read-only: the file is never created nor changed, whatever is found in it.
        db.setConnectOptions(ReadOnlyOptions);
        if (db.open())
            written = writeCsv(db, out);
        else
            qCInfo(lcHistory, "cannot open %s: %s", qPrintable(filePath),
                   qPrintable(describe(db.lastError())));
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return written;
}

} // namespace wimbly
