#pragma once

#include "leaderboard.h"
#include "secondarywindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <memory>

namespace wimbly {

// How the game that ended may enter the leaderboard.
struct LeaderboardEntry {
    // A game played with more lives than the usual three is shown the table and told why it does
    // not enter; the file is not touched.
    bool ranked = true;
    // What the name box starts with: the child who played, if one was chosen.
    QString name;
};

// The leaderboard window: shows the ten places and, when the new score enters the table, takes
// the player's name and saves it. It is not modal; it disables the main window while it is open.
// Its controls carry their names as object names: "heading", "nameBox", "okButton", and the rows
// "name_<i>" (name) and "score_<i>" (score) for places i = 0..9.
class LeaderboardWindow : public SecondaryWindow {
    Q_OBJECT

public:
    // Creates the window (deleted when it closes), sets `score`, loads the table from the
    // program's folder `folder`, ranks the score, disables `mainWindow` and shows the window.
    // Every closing enables `mainWindow` again, if it still exists.
    static LeaderboardWindow* open(const QString& folder, qint32 score, QWidget* mainWindow,
                                   const LeaderboardEntry& entry = {});

    // The score handed over for ranking.
    qint32 score() const { return m_score; }

    // The table as loaded for this opening.
    const Leaderboard& table() const { return m_table; }

    // "确认": with a name in the box saves the new entry and closes; with an empty box does
    // nothing. If the save fails the old file stays intact, the heading says that the table
    // cannot be saved and the window stays open with the name, so the player can try again or
    // close it. Where the load already found that nothing can be saved, the window opens with
    // that heading and without the name box.
    void confirm();

private:
    LeaderboardWindow(const QString& folder, QWidget* mainWindow);
    void load();

    qint32 m_score = 0;
    LeaderboardEntry m_entry;
    Leaderboard m_table;

    QLabel m_heading{this};
    QLineEdit m_nameBox{this};
    QPushButton m_okButton{this};
    std::array<std::unique_ptr<QLabel>, Leaderboard::Places> m_nameLabels;
    std::array<std::unique_ptr<QLabel>, Leaderboard::Places> m_scoreLabels;
};

} // namespace wimbly
