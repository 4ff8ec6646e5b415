#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

namespace wimbly {

// The table of the ten best scores and the file that keeps it.
//
// The file holds ten lines "name,score" ending in CR LF, best first, in the GBK code page. The
// table has one spare slot after the ten places: an eleventh line of the file is read into it,
// but it is never ranked, shown or written.
class Leaderboard {
public:
    static constexpr int Places = 10;
    static constexpr int Slots = Places + 1;
    // Only the start of a file is read: far more than ten lines of any name a player types, and
    // a damaged or foreign file of many megabytes costs no more than this.
    static constexpr qint64 MaxReadBytes = 1 << 20;

    enum class LoadResult {
        Read,           // the file existed and was read
        CreatedDefault, // there was no file: the default table was set up and written
        Unreadable,     // a file exists but cannot be read: it is left alone; default table shown
    };

    // `folder` is the program's folder (with or without a trailing separator). The table lives
    // there when that folder can be written, else in the per-user data folder of the program.
    explicit Leaderboard(const QString& folder);

    // Reads the table, or sets up the default table of ten entries "0" / 0 and writes it as a new
    // file when there is none. Every load starts from empty names and scores of 0, so places the
    // file does not reach are empty. An existing file that cannot be read is never overwritten.
    // Never fails: a damaged file yields whatever lines could be read.
    LoadResult load();

    // Places the new score: the smallest place whose score is strictly lower than `fcount`, or
    // -1 when it does not enter. After a freshly created default table the place is 0 whatever
    // the score; after an unreadable file it is -1, so nothing can overwrite that file.
    int rank(qint32 fcount);

    // Rewrites the file: the entries above the new place, `name` with the ranked score, and the
    // entries below, ten lines in all. Control characters are dropped from `name`; characters
    // that GBK cannot hold are written as "?". The old file is replaced only once the new one is
    // completely written, so a failing save leaves it intact. Returns false when nothing was
    // saved (no place ranked, or the file could not be written).
    bool save(const QString& name);

    // The full path of the file, decided at construction.
    QString sFile() const { return m_sFile; }
    const QString& sName(int i) const { return m_sName.at(i); }
    qint32 nScore(int i) const { return m_nScore.at(i); }
    int nPlace() const { return m_nPlace; }
    qint32 fcount() const { return m_fcount; }

private:
    void clearTable(const QString& name);
    bool writeFile(const QByteArray& bytes) const;

    std::array<QString, Slots> m_sName;
    std::array<qint32, Slots> m_nScore{};
    int m_nPlace = -1;
    qint32 m_fcount = 0;
    QString m_sFile;
    LoadResult m_loaded = LoadResult::Unreadable;
};

} // namespace wimbly
