// Loads the leaderboard from arbitrary bytes, ranks a score taken from the input and, when it
// enters, saves an entry and reads the file back. Input: the score in decimal on the first line
// (anything else counts as 0), then the file's bytes. Where those bytes hold a line "=====", what
// follows it is the file another copy of the program saves between this copy's load and save, so
// the save merges into it. Any crash, hang or sanitizer report is a fault, and so is a broken
// promise of the table: strict ranking, a save that writes every other entry back byte for byte,
// only moved down, and a saved file that reads back as written.

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

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the input");
    check(file.write(bytes) == bytes.size(), "cannot write the input");
}

int strictPlace(const Leaderboard& table, qint32 score) {
    int place = -1;
    for (int i = Leaderboard::Places - 1; i >= 0; --i) {
        if (score > table.nScore(i))
            place = i;
    }
    return place;
}

// The file a save must write: the entries of `table` around the new line at `place`.
QByteArray expectedFile(const Leaderboard& table, int place, const QByteArray& newLine) {
    QByteArray bytes;
    for (int i = 0, from = 0; i < Leaderboard::Places; ++i) {
        if (i == place) {
            bytes += newLine + "\r\n";
            continue;
        }
        bytes += table.rawName(from) + ',' + QByteArray::number(table.nScore(from)) + "\r\n";
        ++from;
    }
    return bytes;
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
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = input.indexOf("\n=====\n");
    const QByteArray first = split < 0 ? input : input.left(split);
    const QByteArray second = split < 0 ? input : input.mid(split + 7);
    writeAll(path, first);

    Leaderboard table(folder->path());
    check(table.sFile() == path, "the table is not in the program folder");
    check(table.load() == LoadResult::Read, "a regular file was not read");
    check(table.canSave(), "a table in a private folder cannot be saved");
    const int place = table.rank(score);
    check(place == strictPlace(table, score), "the score was not placed above the first lower one",
          place);
    if (place < 0) {
        check(!table.save(QStringLiteral("x")), "a score that does not enter was saved");
        check(readAll(path) == first, "the file changed without a save");
        return 0;
    }

    // Another copy saves in between: this save must rank into that copy's table.
    writeAll(path, second);
    Leaderboard other(folder->path());
    check(other.load() == LoadResult::Read, "the other copy's file was not read");
    const int merged = second == first ? place : strictPlace(other, score);

    check(table.save(QStringLiteral("x")), "the save failed");
    const QByteArray written = readAll(path);
    if (merged < 0) {
        check(written == second, "a score that no longer enters changed the file");
        return 0;
    }
    check(tenLines(written), "the saved file is not ten CR LF lines");
    const QByteArray newLine = "x," + QByteArray::number(score);
    check(written == expectedFile(other, merged, newLine), "an entry was not written back as read",
          merged);

    Leaderboard reread(folder->path());
    check(reread.load() == LoadResult::Read, "the saved file cannot be read");
    check(expectedFile(reread, -1, {}) == written, "the saved file does not read back as written");
    return 0;
}
