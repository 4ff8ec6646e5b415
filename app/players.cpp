#include "players.h"

#include "catalogue.h"
#include "childrenwindow.h"
#include "mainwindow.h"
#include "progresswindow.h"

#include <algorithm>
#include <utility>

namespace wimbly {

namespace {

QString endingText(Ending ending) {
    switch (ending) {
    case Ending::Over:
        return QStringLiteral("over");
    case Ending::Restart:
        return QStringLiteral("restart");
    case Ending::Closed:
        return QStringLiteral("closed");
    }
    return {};
}

// The first character no child has as their picture, or the first of all.
int freeAnimal(const std::vector<Child>& children) {
    for (int animal = 0; animal < res::CharacterCount; ++animal) {
        if (std::none_of(children.begin(), children.end(),
                         [animal](const Child& c) { return c.animal == animal; }))
            return animal;
    }
    return 0;
}

} // namespace

Players::Players(MainWindow& window, SettingsStore* store, Options options, QString historyPath)
    : m_window(window), m_store(store), m_options(std::move(options)),
      m_historyPath(std::move(historyPath)) {
    // A child named on the command line plays this run; a new name is a new child.
    if (m_store && !m_options.child.isEmpty()) {
        const std::vector<Child> known = m_store->children();
        if (std::none_of(known.begin(), known.end(),
                         [this](const Child& c) { return c.name == m_options.child; }))
            m_store->addChild({m_options.child, freeAnimal(known)});
    }
    m_child = m_options.child;
    m_window.setPlayerName(m_child);
    m_window.setStarter([this] { start(); });
    connect(&m_window, &MainWindow::gameFinished, this, &Players::record);
    connect(&m_window, &MainWindow::childChosen, this, &Players::play);
    connect(&m_window, &MainWindow::firstPainted, this, &Players::openHistory);
    Commands& commands = m_window.commands();
    connect(&commands.children, &QAction::triggered, this, &Players::openChildren);
    connect(&commands.progress, &QAction::triggered, this, &Players::openProgress);
    commands.children.setVisible(m_store != nullptr);
    commands.progress.setVisible(true);
}

Players::~Players() = default;

void Players::openHistory() {
    if (m_history)
        return;
    m_history = std::make_unique<Recorder>(m_historyPath);
    m_history->open();
}

std::vector<Child> Players::children() const {
    return m_store ? m_store->children() : std::vector<Child>{};
}

void Players::start() {
    const std::vector<Child> known = children();
    if (m_options.child.isEmpty() && !known.empty()) {
        m_window.game().end(Ending::Restart);
        m_window.showChildPicker(known);
        return;
    }
    play(m_options.child);
}

void Players::play(const QString& child) {
    m_window.hideChildPicker();
    // The game before this one is recorded as it ends, for its child and with its start.
    m_window.game().end(Ending::Restart);
    m_child = child;
    m_window.setPlayerName(child);
    const Rules rules = rulesFor(child);
    m_started = QDateTime::currentDateTimeUtc();
    m_started.setTime(
        QTime(m_started.time().hour(), m_started.time().minute(), m_started.time().second()));
    m_window.game().start(rules);
}

Rules Players::rulesFor(const QString& child) {
    const Preferences settings = m_options.over(m_store ? m_store->load(child) : Preferences{});
    Rules rules{settings.pace, settings.startLength, settings.lives, settings.practice};
    // A first length given on the command line wins over the last game's.
    if (settings.resumeLength && !m_options.gives(settingOf(&Preferences::startLength))) {
        openHistory();
        if (const auto last = m_history->lastGame(child))
            rules.startLength = std::max(1, last->longest);
    }
    return rules;
}

void Players::record(const GameSummary& summary) {
    openHistory();
    GameRecord game;
    game.child = m_child;
    game.started = m_started;
    game.seconds = summary.milliseconds / 1000;
    game.score = summary.score;
    game.longest = summary.longest;
    game.turns = summary.turns;
    game.mistakes = summary.mistakes;
    game.pace = int(summary.rules.pace);
    game.startLength = summary.rules.startLength;
    game.lives = summary.rules.practice ? 0 : summary.rules.lives;
    game.ended = endingText(summary.ending);
    m_history->record(game);
}

void Players::openChildren() {
    if (!m_store)
        return;
    ChildrenWindow* window = ChildrenWindow::open(*m_store, m_child, &m_window);
    // Children shown to choose from are shown as they are now, or put away when none is left.
    connect(window, &ChildrenWindow::childrenChanged, this, [this] {
        if (!m_window.childPicker())
            return;
        const std::vector<Child> known = children();
        if (known.empty())
            m_window.hideChildPicker();
        else
            m_window.showChildPicker(known);
    });
    connect(window, &ChildrenWindow::childRenamed, this,
            [this](const QString& from, const QString& to) {
                openHistory();
                m_history->renameChild(from, to);
                if (m_child == from) {
                    m_child = to;
                    m_window.setPlayerName(to);
                }
            });
    connect(window, &ChildrenWindow::childRemoved, this, [this](const QString& name) {
        // The child's games stay in the history.
        if (m_child == name) {
            m_child.clear();
            m_window.setPlayerName(m_child);
        }
    });
}

void Players::openProgress() {
    openHistory();
    ProgressSetup setup;
    setup.history = m_history.get();
    for (const Child& child : children())
        setup.children << child.name;
    // Games played with no child chosen, before any was added or without one.
    setup.children << QString();
    setup.child = m_child;
    setup.tellMovedAside = !m_history->movedAside().isEmpty() && !m_movedAsideTold;
    m_movedAsideTold = m_movedAsideTold || setup.tellMovedAside;
    ProgressWindow::open(setup, &m_window);
}

} // namespace wimbly
