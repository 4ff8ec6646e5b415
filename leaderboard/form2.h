#pragma once

#include "leaderboard.h"
#include "secondarywindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <memory>

namespace wimbly {

// The leaderboard window: shows the ten places and, when the new score enters the table, takes
// the player's name and saves it. It is not modal; it disables the main window while it is open.
// Its controls carry their names as object names: "Labt", "Text1", "Command1", and the rows
// "Label1_<i>" (name) and "Label2_<i>" (score) for places i = 0..9.
class Form2 : public SecondaryWindow {
    Q_OBJECT

public:
    // Creates the window (deleted when it closes), sets `fcount`, loads the table from the
    // program's folder `sPath`, ranks the score, disables `mainWindow` and shows the window.
    // Every closing enables `mainWindow` again, if it still exists.
    static Form2* open(const QString& sPath, qint32 fcount, QWidget* mainWindow);

    // The score handed over for ranking.
    qint32 fcount = 0;

    // The table as loaded for this opening.
    const Leaderboard& table() const { return m_table; }

    // "确认": with a name in the box saves the new entry and closes; with an empty box does
    // nothing. If the save fails the old file stays intact, the heading says that the table
    // cannot be saved and the window stays open with the name, so the player can try again or
    // close it. Where the load already found that nothing can be saved, the window opens with
    // that heading and without the name box.
    void Command1_Click();

private:
    Form2(const QString& sPath, QWidget* mainWindow);
    void Form_Load();

    Leaderboard m_table;

    QLabel Labt{this};
    QLineEdit Text1{this};
    QPushButton Command1{this};
    std::array<std::unique_ptr<QLabel>, Leaderboard::Places> Label1;
    std::array<std::unique_ptr<QLabel>, Leaderboard::Places> Label2;
};

} // namespace wimbly
