// Loads the leaderboard from arbitrary bytes, ranks a score taken from the input and, when it
// enters, saves an entry and reads the file back. Input: the score in decimal on the first line
// (anything else counts as 0), then the file's bytes. Any crash, hang or sanitizer report is a
// fault, and so is a broken promise of the table: ten places after every load, strict ranking, a
// save that keeps every other entry.

#include "leaderboard.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

using wimbly::Leaderboard;
using LoadResult = wimbly::Leaderboard::LoadResult;

namespace {

QTemporaryDir* folder = nullptr;

[[noreturn]] void fail(const char* what, int place = -1) {
    std::fprintf(stderr, "leaderboard fault: %s (place %d)\n", what, place);
    std::abort();
}

void check(bool ok, const char* what, int place = -1) {
    if (!ok)
        fail(what, place);
}

// Ten lines, each ending in CR LF, and nothing after the last.
bool tenLines(const QByteArray& bytes) {
    if (bytes.count('\n') != Leaderboard::Places || !bytes.endsWith("\r\n"))
        return false;
    return bytes.count('\r') == Leaderboard::Places && !bytes.contains("\r\r") &&
           bytes.count("\r\n") == Leaderboard::Places;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir();
    check(folder->isValid(), "no temporary folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* newline = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
    const size_t head = newline ? size_t(newline - data) + 1 : size;
    const qint32 score =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(head)).trimmed().toInt();
    data += head;
    size -= head;
    const QString path = folder->filePath(QStringLiteral("tavrel.tmp"));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the input");
        file.write(reinterpret_cast<const char*>(data), qsizetype(size));
    }

    Leaderboard table(folder->path());
    check(table.sFile() == path, "the table is not in the program folder");
    check(table.load() == LoadResult::Read, "a regular file was not read");

    int expected = -1;
    for (int i = Leaderboard::Places - 1; i >= 0; --i) {
        if (score > table.nScore(i))
            expected = i;
    }
    const int place = table.rank(score);
    check(place == expected, "the score was not placed above the first lower one", place);
    if (place < 0) {
        check(!table.save(QStringLiteral("x")), "a score that does not enter was saved");
        check(readAll(path) == QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
              "the file changed without a save");
        return 0;
    }

    check(table.save(QStringLiteral("x")), "the save failed");
    const QByteArray written = readAll(path);
    check(tenLines(written), "the saved file is not ten CR LF lines");
    Leaderboard reread(folder->path());
    check(reread.load() == LoadResult::Read, "the saved file cannot be read");
    for (int i = 0; i < Leaderboard::Places; ++i) {
        if (i == place) {
            check(reread.nScore(i) == score && reread.sName(i) == QStringLiteral("x"),
                  "the new entry", i);
            continue;
        }
        const int old = i < place ? i : i - 1;
        check(reread.nScore(i) == table.nScore(old), "an entry lost its score", i);
        // A name read from invalid GBK holds replacement characters, which are written as "?".
        if (!table.sName(old).contains(QChar::ReplacementCharacter))
            check(reread.sName(i) == table.sName(old), "an entry lost its name", i);
    }
    return 0;
}
