#include "leaderboard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <utility>

namespace wimbly {

namespace {

const QString FileName = QStringLiteral("tavrel.tmp");
// The ANSI code page of the systems the program's texts are written for.
constexpr char CodePage[] = "GBK";
constexpr char LineEnd[] = "\r\n";

// A probe file is the one test of writability that holds everywhere: access rights alone miss
// read-only mounts on some systems and ACLs on others.
bool canWriteFolder(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("tavrel-XXXXXX.probe")));
    return probe.open();
}

QString tableFolder(const QString& programFolder) {
    if (canWriteFolder(programFolder))
        return programFolder;
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (userFolder.isEmpty() || !QDir().mkpath(userFolder))
        return programFolder;
    return userFolder;
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

} // namespace

Leaderboard::Leaderboard(const QString& folder)
    : m_sFile(QDir(tableFolder(folder)).filePath(FileName)) {}

void Leaderboard::clearTable(const QString& name) {
    m_sName.fill(name);
    m_nScore.fill(0);
}

Leaderboard::LoadResult Leaderboard::load() {
    clearTable(QString());
    m_nPlace = -1;

    const QFileInfo info(m_sFile);
    if (!info.exists()) {
        // No table yet (or a link to nothing): start the default one. If it cannot be written
        // the default table is still shown and the new score still takes place 1.
        clearTable(QStringLiteral("0"));
        QByteArray bytes;
        for (int i = 0; i < Places; ++i)
            bytes += encodeLine(m_sName[i], m_nScore[i]) + LineEnd;
        writeFile(bytes);
        m_loaded = LoadResult::CreatedDefault;
        return m_loaded;
    }

    // Anything but a regular file (a folder, a pipe, a device) is not a table; opening a pipe
    // could even block.
    QFile file(m_sFile);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        clearTable(QStringLiteral("0"));
        m_loaded = LoadResult::Unreadable;
        return m_loaded;
    }
    const QByteArray bytes = file.read(MaxReadBytes);
    if (file.error() != QFileDevice::NoError) {
        clearTable(QStringLiteral("0"));
        m_loaded = LoadResult::Unreadable;
        return m_loaded;
    }

    const QList<QByteArray> lines = splitLines(bytes, Slots);
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = decodeLine(lines[i]);
        // The score follows the last comma, so a name holding commas keeps its score.
        const qsizetype comma = line.lastIndexOf(QLatin1Char(','));
        if (comma >= 0)
            m_sName[i] = line.left(comma);
        parseScore(line.mid(comma + 1), m_nScore[i]);
    }
    m_loaded = LoadResult::Read;
    return m_loaded;
}

int Leaderboard::rank(qint32 fcount) {
    m_fcount = fcount;
    switch (m_loaded) {
    case LoadResult::CreatedDefault:
        m_nPlace = 0;
        break;
    case LoadResult::Unreadable:
        m_nPlace = -1;
        break;
    case LoadResult::Read:
        m_nPlace = -1;
        for (int i = Places - 1; i >= 0; --i) {
            if (fcount > m_nScore[i])
                m_nPlace = i;
        }
        break;
    }
    return m_nPlace;
}

bool Leaderboard::save(const QString& name) {
    if (m_nPlace < 0 || m_nPlace >= Places)
        return false;
    // A line break or other control character would break the file's line layout.
    QString clean;
    clean.reserve(name.size());
    for (const QChar c : name) {
        if (c.category() != QChar::Other_Control)
            clean += c;
    }

    QByteArray bytes;
    for (int i = 0; i < m_nPlace; ++i)
        bytes += encodeLine(m_sName[i], m_nScore[i]) + LineEnd;
    bytes += encodeLine(clean, m_fcount) + LineEnd;
    for (int i = m_nPlace; i < Places - 1; ++i)
        bytes += encodeLine(m_sName[i], m_nScore[i]) + LineEnd;
    return writeFile(bytes);
}

bool Leaderboard::writeFile(const QByteArray& bytes) const {
    QSaveFile file(m_sFile);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // On a full disk QSaveFile can report a successful write and commit a truncated file, so
    // the write and the flush are checked before the old file is replaced.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace wimbly
