#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace wimbly {

// The table of the ten best scores and the file that keeps it.
//
// The file holds ten lines "name,score" ending in CR LF, best first, in the GBK code page. The
// table has one spare slot after the ten places: an eleventh line of the file is read into it,
// but it is never ranked, shown or written.
//
// Several copies of the program may share one file: a save takes a lock beside the file, reads
// it again and places the new entry into what it holds then, so no other player's entry is lost.
class Leaderboard {
public:
    static constexpr int Places = 10;
    static constexpr int Slots = Places + 1;
    // Only the start of a file is read: far more than ten lines of any name a save writes, and
    // a damaged or foreign file of many megabytes costs no more than this.
    static constexpr qint64 MaxReadBytes = 1 << 20;
    // A save keeps at most this many characters of a name, so ten lines stay small.
    static constexpr int MaxNameChars = 255;
    // How long a save waits for another copy of the program to finish its own.
    static constexpr int LockWaitMs = 2000;

    // Where the file lives.
    enum class Placement {
        // The program's folder where only the player can write it, else the per-user folder.
        ProgramFolder,
        // Always the per-user data folder: for installed copies shared by several users.
        PerUser,
    };
    // What this build uses unless told otherwise.
    static Placement defaultPlacement();

    enum class LoadResult {
        Read,           // the file existed and was read
        CreatedDefault, // there was no file: the default table was set up and written if it could
        Unreadable,     // a file exists but cannot be read, or is a link that must not be
                        // followed: it is left alone; default table shown
    };

    // `folder` is the program's folder (with or without a trailing separator). With
    // Placement::ProgramFolder the table lives there when the player can write that folder and
    // no other user can; otherwise, and always with Placement::PerUser, it lives in the per-user
    // data folder of the program.
    explicit Leaderboard(const QString& folder, Placement placement = defaultPlacement());

    // Reads the table, or sets up the default table of ten entries "0" / 0 and writes it as a new
    // file when there is none. Every load starts from empty names and scores of 0, so places the
    // file does not reach are empty. An existing file that cannot be read is never overwritten,
    // and neither is a link of another user or a link to another user's file. Never fails: a
    // damaged file yields whatever lines could be read.
    //
    // With Access::ReadOnly nothing in the folder is written, created or removed, and nothing
    // can be saved afterwards: a missing file gives the default table, shown only.
    enum class Access { ReadWrite, ReadOnly };
    LoadResult load(Access access = Access::ReadWrite);

    // After a load: whether a save can write the table. False when the folder cannot be written,
    // or the file cannot be read or must not be touched.
    bool canSave() const { return m_canSave; }

    // Places the new score: the smallest place whose score is strictly lower than `score`, or
    // -1 when it does not enter. After a freshly created default table the place is 0 whatever
    // the score; after an unreadable file it is -1, so nothing can overwrite that file.
    int rank(qint32 score);

    // Rewrites the file with the new entry. Under the lock it reads the file again; when it is
    // as loaded, the new entry goes to the ranked place, else to the place the strict rule gives
    // in the file as it is now (none, if it no longer enters). The other entries keep the bytes
    // of their names as read, moved down by one below the new entry; ten lines in all. Control
    // characters are dropped from `name`, it is cut to MaxNameChars characters, and characters
    // that GBK cannot hold are written as "?". The old file is replaced only once the new one is
    // completely written, so a failing save leaves it intact. Returns true when the file now
    // holds the new entry where it belongs, or when the entry no longer enters the table another
    // copy saved meanwhile; false when nothing was saved (no place ranked, the lock stayed busy
    // for LockWaitMs, or the file could not be read or written).
    bool save(const QString& name);

    // The full path of the file, decided at construction.
    QString filePath() const { return m_filePath; }
    const QString& name(int i) const { return m_names.at(i); }
    // The bytes of the name as the file held them; a save writes them back unchanged.
    const QByteArray& rawName(int i) const { return m_rows.names.at(i); }
    qint32 score(int i) const { return m_rows.scores.at(i); }
    int place() const { return m_place; }
    qint32 rankedScore() const { return m_rankedScore; }

    // The steps of load(), rank() and save() that work on the table's bytes in memory and touch
    // no file, so that they can be checked on any bytes at memory speed.

    // The entries as the file holds them: names as bytes, scores as numbers.
    struct Rows {
        std::array<QByteArray, Slots> names;
        std::array<qint32, Slots> scores{};
    };
    // The entries of a file's bytes, as load() reads them: up to Slots lines, each name as the
    // bytes before the line's last comma, each score 0 unless the rest is a number.
    static Rows parseRows(const QByteArray& bytes);
    // The smallest place whose score is strictly lower than `score`, or -1.
    static int strictPlace(const Rows& rows, qint32 score);
    // The line of the new entry as save() writes it, without the line end: `name` cleaned and cut
    // as save() says, in GBK, a comma and the score.
    static QByteArray entryLine(const QString& name, qint32 score);
    // What save() writes when the file holds `now` under the lock: ten lines, with `line` at
    // `place` among `loadedRows` when `now` is still `loadedBytes` (as the load found or wrote
    // them), else at the strict place of `score` among the entries of `now`. No value when the
    // score no longer enters `now`: then nothing is written.
    static std::optional<QByteArray> mergeEntry(const QByteArray& now,
                                                const QByteArray& loadedBytes,
                                                const Rows& loadedRows, int place, qint32 score,
                                                const QByteArray& line);

private:
    // Ten entries "0" with a score of 0: the table of a file that is not there.
    static Rows defaultRows();
    void setRows(const Rows& rows);

    Rows m_rows;
    std::array<QString, Slots> m_names;
    int m_place = -1;
    qint32 m_rankedScore = 0;
    QString m_filePath;
    // False when no folder fit for the table could be found: then nothing is ever written.
    bool m_folderUsable = true;
    bool m_canSave = false;
    LoadResult m_loaded = LoadResult::Unreadable;
    // The bytes the load found (or wrote), to tell at the save whether another copy has saved.
    QByteArray m_loadedBytes;
};

} // namespace wimbly
