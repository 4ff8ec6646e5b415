#include "leaderboard.h"

#include "tablefile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <optional>
#include <utility>

namespace wimbly {

namespace {

// The ANSI code page of the systems the program's texts are written for.
constexpr char CodePage[] = "GBK";
constexpr char LineEnd[] = "\r\n";

const QString LockSuffix = QStringLiteral(".lock");

// Where the table lives, and whether that folder is fit for it at all.
struct Folder {
    QString path;
    bool usable = true;
};

Folder tableFolder(const QString& programFolder, Leaderboard::Placement placement) {
    // In a folder others can write, another user could plant a table or a link in the player's
    // way; there the player's own data folder is the safe place.
    if (placement == Leaderboard::Placement::ProgramFolder &&
        tablefile::onlyPlayerCanWrite(programFolder) && tablefile::canCreateIn(programFolder))
        return {programFolder};
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!userFolder.isEmpty() && QDir().mkpath(userFolder))
        return {userFolder};
    qCWarning(tablefile::lcTable,
              "no folder to keep the table in: the per-user folder \"%s\" "
              "cannot be made",
              qPrintable(userFolder));
    return {userFolder.isEmpty() ? programFolder : userFolder, false};
}

// Splits at CR LF, a lone CR or a lone LF. GBK trail bytes are never below 0x40, so these bytes
// only ever end lines. A lone LF is taken as a line end too, so a table edited on a system with
// LF line ends still reads as ten lines; names the program writes never hold an LF.
QList<QByteArray> splitLines(const QByteArray& bytes, int maxLines) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size && lines.size() < maxLines) {
        qsizetype end = start;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        lines.append(bytes.mid(start, end - start));
        if (end < size && bytes[end] == '\r' && end + 1 < size && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

// Where a Qt build has no named GBK converter (no ICU), the system's 8-bit code page is the
// closest: on the systems the table is written for it is GBK.
QStringDecoder makeDecoder() {
    QStringDecoder decoder(CodePage);
    return decoder.isValid() ? std::move(decoder) : QStringDecoder(QStringConverter::System);
}

QStringEncoder makeEncoder() {
    QStringEncoder encoder(CodePage);
    return encoder.isValid() ? std::move(encoder) : QStringEncoder(QStringConverter::System);
}

QString decodeLine(const QByteArray& line) {
    QStringDecoder decoder = makeDecoder();
    return decoder.decode(line);
}

// Accepts what the table's own lines hold: an optional sign and decimal digits within 32 bits.
bool parseScore(const QString& text, qint32& score) {
    bool ok = false;
    const qint32 value = text.toInt(&ok);
    if (ok)
        score = value;
    return ok;
}

QByteArray encodeLine(const QString& name, qint32 score) {
    // Characters GBK lacks come out as "?", as the system's own conversion writes them.
    QStringEncoder encoder = makeEncoder();
    QByteArray line = encoder.encode(name);
    line += ',';
    line += QByteArray::number(score);
    return line;
}

// The typed name as a save writes it: without control characters, which would break the file's
// line layout, and at most MaxNameChars characters long, so that no name, however long, can
// push the other entries beyond what the loader reads.
QString nameToSave(const QString& typed) {
    QString clean;
    clean.reserve(std::min<qsizetype>(typed.size(), 2 * Leaderboard::MaxNameChars));
    int chars = 0;
    for (qsizetype i = 0; i < typed.size() && chars < Leaderboard::MaxNameChars; ++i) {
        const QChar c = typed.at(i);
        if (c.isHighSurrogate() && i + 1 < typed.size() && typed.at(i + 1).isLowSurrogate()) {
            clean += c;
            clean += typed.at(++i);
            ++chars;
        } else if (c.category() != QChar::Other_Control) {
            clean += c;
            ++chars;
        }
    }
    return clean;
}

void logFound(const tablefile::Found& found, const char* what) {
    qCWarning(tablefile::lcTable, "%s: %s", what, qPrintable(found.reason));
}

} // namespace

Leaderboard::Placement Leaderboard::defaultPlacement() {
#ifdef WIMBLY_PER_USER_TABLE
    return Placement::PerUser;
#else
    return Placement::ProgramFolder;
#endif
}

Leaderboard::Leaderboard(const QString& folder, Placement placement) {
    const Folder where = tableFolder(folder, placement);
    m_filePath = QDir(where.path).filePath(tablefile::TableFileName);
    m_folderUsable = where.usable;
}

// The name is everything before the last comma, so a name holding commas keeps its score; a line
// without a comma has an empty name. Names are kept as bytes, so that bytes that are no GBK
// survive a save unchanged.
Leaderboard::Rows Leaderboard::parseRows(const QByteArray& bytes) {
    Rows rows;
    const QList<QByteArray> lines = splitLines(bytes, Leaderboard::Slots);
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype comma = line.lastIndexOf(',');
        if (comma >= 0)
            rows.names[i] = line.left(comma);
        parseScore(decodeLine(line.mid(comma + 1)), rows.scores[i]);
    }
    return rows;
}

int Leaderboard::strictPlace(const Rows& rows, qint32 score) {
    int place = -1;
    for (int i = Places - 1; i >= 0; --i) {
        if (score > rows.scores[i])
            place = i;
    }
    return place;
}

namespace {

// Ten lines: the entries above `place`, `newLine`, the entries below it. With no place (-1) the
// ten places as they are.
QByteArray formatRows(const Leaderboard::Rows& rows, int place, const QByteArray& newLine) {
    QByteArray bytes;
    const auto line = [&](int i) {
        bytes += rows.names[i];
        bytes += ',';
        bytes += QByteArray::number(rows.scores[i]);
        bytes += LineEnd;
    };
    if (place < 0) {
        for (int i = 0; i < Leaderboard::Places; ++i)
            line(i);
        return bytes;
    }
    for (int i = 0; i < place; ++i)
        line(i);
    bytes += newLine + LineEnd;
    for (int i = place; i < Leaderboard::Places - 1; ++i)
        line(i);
    return bytes;
}

} // namespace

QByteArray Leaderboard::entryLine(const QString& name, qint32 score) {
    return encodeLine(nameToSave(name), score);
}

std::optional<QByteArray> Leaderboard::mergeEntry(const QByteArray& now,
                                                  const QByteArray& loadedBytes,
                                                  const Rows& loadedRows, int place, qint32 score,
                                                  const QByteArray& line) {
    if (now == loadedBytes)
        return formatRows(loadedRows, place, line);
    // Another copy saved since the load: the place is the one the entry takes there.
    const Rows rowsNow = parseRows(now);
    const int placeNow = strictPlace(rowsNow, score);
    if (placeNow < 0)
        return std::nullopt;
    return formatRows(rowsNow, placeNow, line);
}

Leaderboard::Rows Leaderboard::defaultRows() {
    Rows rows;
    rows.names.fill(QByteArrayLiteral("0"));
    return rows;
}

void Leaderboard::setRows(const Rows& rows) {
    m_rows = rows;
    for (int i = 0; i < Slots; ++i)
        m_names[i] = decodeLine(rows.names[i]);
}

Leaderboard::LoadResult Leaderboard::load(Access access) {
    setRows(Rows{});
    m_place = -1;
    m_loadedBytes.clear();
    m_canSave = m_folderUsable && access == Access::ReadWrite;
    const QString folder = QFileInfo(m_filePath).path();

    // The lock keeps another copy from saving while this one sets up the default table or
    // removes leftovers of an interrupted save.
    std::optional<tablefile::Lock> lock;
    if (m_canSave) {
        lock.emplace(m_filePath + LockSuffix, LockWaitMs);
        if (lock->state() != tablefile::Lock::State::Held) {
            qCWarning(tablefile::lcTable, "%s", qPrintable(lock->reason()));
            if (lock->state() == tablefile::Lock::State::Failed)
                m_canSave = false;
        }
    }
    const bool locked = lock && lock->state() == tablefile::Lock::State::Held;
    if (locked)
        tablefile::removeStrayTemporaries(folder, tablefile::TableFileName);

    const tablefile::Found found = tablefile::inspect(m_filePath, MaxReadBytes);
    switch (found.kind) {
    case tablefile::Found::Kind::Missing: {
        // No table yet (or a link of the player's to nothing): start the default one. If it
        // cannot be written the default table is still shown, but nothing can be saved.
        setRows(defaultRows());
        m_loadedBytes = formatRows(m_rows, -1, {});
        if (locked && m_canSave) {
            QString reason;
            if (!tablefile::replace(found.target, m_loadedBytes, &reason)) {
                qCWarning(tablefile::lcTable, "cannot write the default table: %s",
                          qPrintable(reason));
                m_canSave = false;
            }
        }
        m_loaded = LoadResult::CreatedDefault;
        return m_loaded;
    }
    case tablefile::Found::Kind::NotAFile:
    case tablefile::Found::Kind::Refused:
    case tablefile::Found::Kind::Unreadable: {
        // Whatever stands there is left alone; the default table is only shown.
        logFound(found, "the table is left alone");
        setRows(defaultRows());
        m_canSave = false;
        m_loaded = LoadResult::Unreadable;
        return m_loaded;
    }
    case tablefile::Found::Kind::File:
        break;
    }

    setRows(parseRows(found.bytes));
    m_loadedBytes = found.bytes;
    if (m_canSave && !tablefile::canCreateIn(QFileInfo(found.target).path())) {
        qCWarning(tablefile::lcTable, "the folder of %s cannot be written",
                  qPrintable(found.target));
        m_canSave = false;
    }
    m_loaded = LoadResult::Read;
    return m_loaded;
}

int Leaderboard::rank(qint32 score) {
    m_rankedScore = score;
    switch (m_loaded) {
    case LoadResult::CreatedDefault:
        m_place = 0;
        break;
    case LoadResult::Unreadable:
        m_place = -1;
        break;
    case LoadResult::Read:
        m_place = strictPlace(m_rows, score);
        break;
    }
    return m_place;
}

bool Leaderboard::save(const QString& name) {
    if (m_place < 0 || m_place >= Places)
        return false;
    if (!m_folderUsable) {
        qCWarning(tablefile::lcTable, "not saved: no folder to keep the table in");
        return false;
    }
    const QByteArray newLine = entryLine(name, m_rankedScore);

    const tablefile::Lock lock(m_filePath + LockSuffix, LockWaitMs);
    if (lock.state() != tablefile::Lock::State::Held) {
        qCWarning(tablefile::lcTable, "not saved: %s", qPrintable(lock.reason()));
        return false;
    }
    tablefile::removeStrayTemporaries(QFileInfo(m_filePath).path(), tablefile::TableFileName);

    // Another copy of the program may have saved since this one loaded: place the new entry
    // into the table as it is now.
    const tablefile::Found found = tablefile::inspect(m_filePath, MaxReadBytes);
    QByteArray bytes;
    switch (found.kind) {
    case tablefile::Found::Kind::Missing:
        // Deleted since the load, to start afresh: the new entry heads a new default table, as
        // it would have after a load that found no table.
        bytes = formatRows(defaultRows(), 0, newLine);
        break;
    case tablefile::Found::Kind::File: {
        std::optional<QByteArray> merged =
            mergeEntry(found.bytes, m_loadedBytes, m_rows, m_place, m_rankedScore, newLine);
        if (!merged) {
            qCInfo(tablefile::lcTable, "the score no longer enters the table saved meanwhile");
            return true;
        }
        bytes = std::move(*merged);
        break;
    }
    case tablefile::Found::Kind::NotAFile:
    case tablefile::Found::Kind::Refused:
    case tablefile::Found::Kind::Unreadable:
        logFound(found, "not saved");
        return false;
    }

    QString reason;
    if (!tablefile::replace(found.target, bytes, &reason)) {
        qCWarning(tablefile::lcTable, "not saved: %s", qPrintable(reason));
        return false;
    }
    return true;
}

} // namespace wimbly
