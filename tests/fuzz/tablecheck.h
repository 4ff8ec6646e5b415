// What the leaderboard fuzzers read from an input and what they expect of the table.
//
// An input holds the score in decimal on its first line (anything else counts as 0), then the
// file's bytes. Where those bytes hold a line "=====", what follows it is the file another copy of
// the program saves between this copy's load and save, so the save merges into it.

#pragma once

#include "leaderboard.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tablecheck {

using wimbly::Leaderboard;

struct Input {
    qint32 score = 0;
    // The file as this copy loads it.
    QByteArray first;
    // The file as this copy's save finds it: `first` unless the input holds a "=====" line.
    QByteArray second;
};

inline Input readInput(const uint8_t* data, size_t size) {
    const auto* newline = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
    const size_t head = newline ? size_t(newline - data) + 1 : size;
    Input input;
    input.score =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(head)).trimmed().toInt();
    const QByteArray file(reinterpret_cast<const char*>(data + head), qsizetype(size - head));
    const qsizetype split = file.indexOf("\n=====\n");
    input.first = split < 0 ? file : file.left(split);
    input.second = split < 0 ? file : file.mid(split + 7);
    return input;
}

[[noreturn]] inline void fail(const char* what, int place = -1) {
    std::fprintf(stderr, "leaderboard fault: %s (place %d)\n", what, place);
    std::abort();
}

inline void check(bool ok, const char* what, int place = -1) {
    if (!ok)
        fail(what, place);
}

// Ten lines, each ending in CR LF, and nothing after the last.
inline bool tenLines(const QByteArray& bytes) {
    if (bytes.count('\n') != Leaderboard::Places || !bytes.endsWith("\r\n"))
        return false;
    return bytes.count('\r') == Leaderboard::Places && !bytes.contains("\r\r") &&
           bytes.count("\r\n") == Leaderboard::Places;
}

// Whether `rows` holds the names of the file `bytes` as they stand there: the bytes before the
// last comma of each of the first Slots lines (lines end at CR LF, a lone CR or a lone LF), and
// empty names with a score of 0 past its last line.
inline bool namesAsRead(const Leaderboard::Rows& rows, const QByteArray& bytes) {
    QList<QByteArray> lines =
        QByteArray(bytes).replace("\r\n", "\n").replace('\r', '\n').split('\n');
    // Text after the last line end is a line; nothing after it is none.
    if (lines.last().isEmpty())
        lines.removeLast();
    for (int i = 0; i < Leaderboard::Slots; ++i) {
        if (i >= lines.size()) {
            if (!rows.names[i].isEmpty() || rows.scores[i] != 0)
                return false;
            continue;
        }
        const qsizetype comma = lines[i].lastIndexOf(',');
        if (rows.names[i] != (comma < 0 ? QByteArray() : lines[i].left(comma)))
            return false;
    }
    return true;
}

// The place a score must take: above the first entry with a lower score, or -1.
inline int expectedPlace(const Leaderboard::Rows& rows, qint32 score) {
    int place = -1;
    for (int i = Leaderboard::Places - 1; i >= 0; --i) {
        if (score > rows.scores[i])
            place = i;
    }
    return place;
}

// The file a save must write: the entries of `rows` around the new line at `place` (none: -1),
// each written back with the bytes it was read with.
inline QByteArray expectedFile(const Leaderboard::Rows& rows, int place,
                               const QByteArray& newLine) {
    QByteArray bytes;
    for (int i = 0, from = 0; i < Leaderboard::Places; ++i) {
        if (i == place) {
            bytes += newLine + "\r\n";
            continue;
        }
        bytes += rows.names[from] + ',' + QByteArray::number(rows.scores[from]) + "\r\n";
        ++from;
    }
    return bytes;
}

// The line a save of the name "x" must write.
inline QByteArray xLine(qint32 score) {
    return "x," + QByteArray::number(score);
}

} // namespace tablecheck
