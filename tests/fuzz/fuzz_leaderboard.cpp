// The leaderboard's load, rank and save on bytes in memory, with the steps the program runs
// around its table file: reads a table from arbitrary bytes, ranks a score taken from the input
// and, when it enters, merges an entry "x" into the table as the save finds it, then reads the
// result back. Input as tablecheck.h says. No file is touched, so each input takes a fraction of
// a millisecond; fuzz_leaderboard_disk takes the same inputs through the real file.
//
// Any crash, hang or sanitizer report is a fault, and so is a broken promise of the table: names
// read as the file holds them, strict ranking, a save that writes every other entry back byte for
// byte, only moved down, as ten CR LF lines, and a saved file that reads back as written.

#include "leaderboard.h"
#include "tablecheck.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

using namespace tablecheck;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Input input = readInput(data, size);
    const Leaderboard::Rows loaded = Leaderboard::parseRows(input.first);
    check(namesAsRead(loaded, input.first), "a name was not read as the file holds it");
    const int place = Leaderboard::strictPlace(loaded, input.score);
    check(place == expectedPlace(loaded, input.score),
          "the score was not placed above the first lower one", place);
    // Without a place a save writes nothing.
    if (place < 0)
        return 0;

    // Another copy may have saved in between: the save ranks into that copy's table.
    const Leaderboard::Rows now = Leaderboard::parseRows(input.second);
    check(namesAsRead(now, input.second), "a name was not read as the file holds it");
    const int merged = input.second == input.first ? place : expectedPlace(now, input.score);
    const std::optional<QByteArray> written =
        Leaderboard::mergeEntry(input.second, input.first, loaded, place, input.score,
                                Leaderboard::entryLine(QStringLiteral("x"), input.score));
    if (merged < 0) {
        check(!written, "a score that no longer enters changed the file");
        return 0;
    }
    check(written.has_value(), "a score that enters was not saved", merged);
    check(tenLines(*written), "the saved file is not ten CR LF lines");
    check(*written == expectedFile(now, merged, xLine(input.score)),
          "an entry was not written back as read", merged);
    check(expectedFile(Leaderboard::parseRows(*written), -1, {}) == *written,
          "the saved file does not read back as written");
    return 0;
}
