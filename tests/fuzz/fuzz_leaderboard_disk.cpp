// The leaderboard through its real table file: writes the input's bytes as the file, loads the
// table, ranks a score taken from the input and, when it enters, saves an entry "x" and reads the
// file back. Each save takes the lock, writes a new file, syncs it and renames it over the old
// one, so an input takes milliseconds: fuzz_leaderboard runs the same steps on memory at far
// more inputs a second, and this target checks that the file code around them keeps its
// promises. Input as tablecheck.h says.
//
// Any crash, hang or sanitizer report is a fault, and so is a broken promise of the table: a
// table read as its bytes say, names read as the file holds them, strict ranking, a save that
// writes every other entry back byte for byte, only moved down, as ten CR LF lines, and a saved
// file that reads back as written.

#include "leaderboard.h"
#include "tablecheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace tablecheck;
using LoadResult = wimbly::Leaderboard::LoadResult;

namespace {

QTemporaryDir* folder = nullptr;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the input");
    check(file.write(bytes) == bytes.size(), "cannot write the input");
}

// The entries a loaded table holds, as its accessors give them.
Leaderboard::Rows rowsOf(const Leaderboard& table) {
    Leaderboard::Rows rows;
    for (int i = 0; i < Leaderboard::Slots; ++i) {
        rows.names[i] = table.rawName(i);
        rows.scores[i] = table.score(i);
    }
    return rows;
}

bool sameRows(const Leaderboard::Rows& a, const Leaderboard::Rows& b) {
    return a.names == b.names && a.scores == b.scores;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir();
    check(folder->isValid(), "no temporary folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Input input = readInput(data, size);
    const QString path = folder->filePath(QStringLiteral("tavrel.tmp"));
    writeAll(path, input.first);

    Leaderboard table(folder->path());
    check(table.filePath() == path, "the table is not in the program folder");
    check(table.load() == LoadResult::Read, "a regular file was not read");
    check(table.canSave(), "a table in a private folder cannot be saved");
    check(sameRows(rowsOf(table), Leaderboard::parseRows(input.first)),
          "the loaded table is not what the file's bytes hold");
    check(namesAsRead(rowsOf(table), input.first), "a name was not read as the file holds it");
    const int place = table.rank(input.score);
    check(place == expectedPlace(rowsOf(table), input.score),
          "the score was not placed above the first lower one", place);
    if (place < 0) {
        check(!table.save(QStringLiteral("x")), "a score that does not enter was saved");
        check(readAll(path) == input.first, "the file changed without a save");
        return 0;
    }

    // Another copy saves in between: this save must rank into that copy's table.
    writeAll(path, input.second);
    Leaderboard other(folder->path());
    check(other.load() == LoadResult::Read, "the other copy's file was not read");
    const int merged =
        input.second == input.first ? place : expectedPlace(rowsOf(other), input.score);

    check(table.save(QStringLiteral("x")), "the save failed");
    const QByteArray written = readAll(path);
    if (merged < 0) {
        check(written == input.second, "a score that no longer enters changed the file");
        return 0;
    }
    check(tenLines(written), "the saved file is not ten CR LF lines");
    check(written == expectedFile(rowsOf(other), merged, xLine(input.score)),
          "an entry was not written back as read", merged);

    Leaderboard reread(folder->path());
    check(reread.load() == LoadResult::Read, "the saved file cannot be read");
    check(expectedFile(rowsOf(reread), -1, {}) == written,
          "the saved file does not read back as written");
    return 0;
}
