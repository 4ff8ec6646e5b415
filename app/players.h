#pragma once

#include "options.h"
#include "recorder.h"
#include "rules.h"
#include "settings.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <memory>

namespace wimbly {

class MainWindow;

// Who plays and how: the children the grown-ups have added, each with their own settings, and
// the history of every game. With children added, Start first shows them on the board for the
// child to pick their own; the game is then played by that child's settings, with this run's
// command line over them. Each game that ends is recorded for the child who played it.
//
// The history is opened once the window has been painted, off the path of the first frame; a
// history that cannot be opened or written never stops a game.
class Players : public QObject {
    Q_OBJECT
public:
    // `store` may be null: then there are no children and every game has the default settings
    // with the command line over them. The window and the store must outlive the players.
    Players(MainWindow& window, SettingsStore* store, Options options, QString historyPath);
    ~Players() override;

    // The child playing or last chosen; empty for none.
    const QString& child() const { return m_child; }
    // The history, or null before it is opened.
    Recorder* history() const { return m_history.get(); }
    // Opens the history now, if it is not open yet.
    void openHistory();

    // What the start command does: with children added (and no child given on the command
    // line) shows them to choose from, else starts a game at once.
    void start();
    // Starts a game played by `child` (empty: no child).
    void play(const QString& child);

    // The grown-ups' windows for the children and their progress.
    void openChildren();
    void openProgress();

private:
    // The rules `child` plays by: their settings, with the command line over them.
    Rules rulesFor(const QString& child);
    void record(const GameSummary& summary);
    std::vector<Child> children() const;

    MainWindow& m_window;
    SettingsStore* m_store;
    Options m_options;
    QString m_historyPath;
    std::unique_ptr<Recorder> m_history;
    QString m_child;
    QDateTime m_started;
    // A damaged history moved aside is told once, in the progress window.
    bool m_movedAsideTold = false;
};

} // namespace wimbly
