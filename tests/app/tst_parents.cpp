#include "boardpoint.h"
#include "cueplayer.h"
#include "helpwindow.h"
#include "keyboardplay.h"
#include "language.h"
#include "leaderboardwindow.h"
#include "mainwindow.h"
#include "manualclock.h"
#include "options.h"
#include "parentsmenu.h"
#include "randomsource.h"
#include "scriptedrandom.h"
#include "settings.h"
#include "silentoutput.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMutex>
#include <QPushButton>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using wimbly::Game;
using wimbly::Language;
using wimbly::MainWindow;
using wimbly::ManualClock;
using wimbly::ParentsMenu;
using wimbly::Preferences;
using wimbly::SeededRandom;
using wimbly::SettingsStore;
using wimbly::test::silence;

namespace {

// The cues that reached the sound output, in order; `started` counts them.
struct CueLog {
    QMutex mutex;
    QList<int> ids;
    QSemaphore started;

    QList<int> snapshot() {
        QMutexLocker lock(&mutex);
        return ids;
    }
};

class LoggingOutput final : public wimbly::CueOutput {
public:
    explicit LoggingOutput(std::shared_ptr<CueLog> log) : m_log(std::move(log)) {}
    void start(const wimbly::CueSamples& cue) override {
        {
            QMutexLocker lock(&m_log->mutex);
            m_log->ids << cue.id;
        }
        m_log->started.release();
    }
    void stop() override {}

private:
    std::shared_ptr<CueLog> m_log;
};

// The names that reached the speech output, each with the language it was said in ("zh:" or
// "en:"); `said` counts them.
struct NameLog {
    QMutex mutex;
    QStringList names;
    QSemaphore said;
    bool canSpeak = true;

    QStringList snapshot() {
        QMutexLocker lock(&mutex);
        return names;
    }
};

class LoggingSpeech final : public wimbly::SpeechOutput {
public:
    explicit LoggingSpeech(std::shared_ptr<NameLog> log) : m_log(std::move(log)) {}
    bool useLanguage(const QLocale& locale) override {
        m_language =
            locale.language() == QLocale::English ? QStringLiteral("en:") : QStringLiteral("zh:");
        return m_log->canSpeak;
    }
    bool say(const QString& text) override {
        {
            QMutexLocker lock(&m_log->mutex);
            m_log->names << m_language + text;
        }
        m_log->said.release();
        return true;
    }
    void stop() override {}

private:
    std::shared_ptr<NameLog> m_log;
    QString m_language;
};

void runUntilAnswering(ManualClock& clock, const Game& game) {
    while (game.phase() != Game::Phase::Answering && clock.advanceToAlarm()) {
    }
    QCOMPARE(game.phase(), Game::Phase::Answering);
}

void press(MainWindow& mainWindow, int cell) {
    const QPoint at = wimbly::test::centreOfCell(cell);
    QTest::mousePress(&mainWindow.board(), Qt::LeftButton, {}, at);
}

// What the window shows at this moment, with the virtual time.
QString describe(const ManualClock& clock, MainWindow& mainWindow) {
    QString shownSlots;
    for (int i = 0; i < 36; ++i)
        shownSlots += mainWindow.paradeSlot(i).isVisible() ? QLatin1Char('1') : QLatin1Char('0');
    QString markers;
    for (int i = 0; i < 3; ++i)
        markers += mainWindow.lifeMarker(i).isVisible() ? QLatin1Char('1') : QLatin1Char('0');
    return QStringLiteral("%1 phase %2 board %3 drawn %4 mascot %5 slots %6 markers %7 score %8")
        .arg(clock.now())
        .arg(int(mainWindow.game().phase()))
        .arg(mainWindow.board().isVisible())
        .arg(mainWindow.board().hasDrawing())
        .arg(mainWindow.mascot().isVisible())
        .arg(shownSlots, markers, mainWindow.scoreLabel().text());
}

// Sends a right-click's menu request to whatever stands at `pos` on the window.
void rightClick(MainWindow& mainWindow, QPoint pos) {
    QWidget* target = mainWindow.childAt(pos);
    QWidget* receiver = target ? target : &mainWindow;
    QContextMenuEvent request(QContextMenuEvent::Mouse, receiver->mapFrom(&mainWindow, pos),
                              mainWindow.mapToGlobal(pos));
    QCoreApplication::sendEvent(receiver, &request);
}

QStringList actionTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator())
            texts << action->text();
    }
    return texts;
}

// The choice named `name` in one of the menu's submenus.
QAction* submenuChoice(QMenu& menu, const QString& name) {
    for (QAction* action : menu.actions()) {
        if (QMenu* languages = action->menu()) {
            for (QAction* choice : languages->actions()) {
                if (choice->text() == name)
                    return choice;
            }
        }
    }
    return nullptr;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestParents : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void soundOffKeepsEveryTimingAndNoCueReachesTheOutput();
    void paradeSaysEachNameInTheLanguageOfTheTexts_data();
    void paradeSaysEachNameInTheLanguageOfTheTexts();
    void menuNotesWhenSpeechIsNotAvailable_data();
    void menuNotesWhenSpeechIsNotAvailable();
    void sidePanelRightClickOpensTheMenu_data();
    void sidePanelRightClickOpensTheMenu();
    void menuIsDrivenByArrowsAndEnter();
    void menuKeyOpensTheMenuWithTheKeysOfItsCommands();
    void menuTextsFollowTheLanguage_data();
    void menuTextsFollowTheLanguage();
    void everyWindowSpeaksEnglishWhenChosen();
    void textsAreChineseWhateverTheSystemLocale();
    void settingsAreRememberedAcrossTwoRuns();
    void defaultSettingsLiveInTheUserConfigFolder();
    void damagedSettingsGiveTheDefaults_data();
    void damagedSettingsGiveTheDefaults();
    void commandLineWinsAndIsNotSaved();
    void everySettingOfTheTableIsSavedAndTakenFromTheCommandLine_data();
    void everySettingOfTheTableIsSavedAndTakenFromTheCommandLine();
    void lockedKeepsTheMenuShutAndTheSettingKeysIdleButTheGamePlays();
    void kioskEndsOnlyByTheMenusQuit();

private:
    QTemporaryDir m_folder;
    QString m_settingsFile;
};

void TestParents::init() {
    QVERIFY(m_folder.isValid());
    // A file of its own for each test and row: settings that could not be written stay
    // pending in memory for their path.
    static int run = 0;
    m_settingsFile = m_folder.filePath(QStringLiteral("wimbly-%1.conf").arg(++run));
}

void TestParents::cleanup() {
    // The language belongs to the whole program; each test starts in Chinese.
    wimbly::useLanguage(Language::Chinese);
}

void TestParents::soundOffKeepsEveryTimingAndNoCueReachesTheOutput() {
    QStringList traces[2];
    for (const bool soundOn : {true, false}) {
        auto log = std::make_shared<CueLog>();
        ManualClock clock;
        SeededRandom random(7);
        MainWindow mainWindow(
            {&clock, &random, m_folder.path(), std::make_unique<LoggingOutput>(log)});
        ParentsMenu parents(mainWindow, nullptr);
        mainWindow.show();
        if (!soundOn)
            QTest::keyClick(&mainWindow, Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(mainWindow.isSoundOn(), soundOn);

        QStringList& trace = traces[soundOn ? 0 : 1];
        const auto step = [&] {
            trace << describe(clock, mainWindow);
            return clock.advanceToAlarm();
        };
        QTest::keyClick(&mainWindow, Qt::Key_Return);
        // Four turns: the first with a wrong press before the right one, the fourth of two.
        for (int turn = 0; turn < 4; ++turn) {
            while (mainWindow.game().phase() != Game::Phase::Answering && step()) {
            }
            if (turn == 0)
                press(mainWindow, (mainWindow.game().state().order[0] + 1) % 36);
            for (int i = 0; i <= mainWindow.game().state().level; ++i) {
                trace << describe(clock, mainWindow);
                press(mainWindow, mainWindow.game().state().order[i]);
            }
        }
        runUntilAnswering(clock, mainWindow.game());
        trace << describe(clock, mainWindow);

        if (soundOn) {
            QVERIFY(log->started.tryAcquire(1, 5000));
        } else {
            // Back on, the next cue is the first the output ever sees.
            QTest::keyClick(&mainWindow, Qt::Key_M, Qt::ControlModifier);
            QVERIFY(mainWindow.isSoundOn());
            press(mainWindow, mainWindow.game().state().order[0]);
            QVERIFY(log->started.tryAcquire(1, 5000));
            QCOMPARE(log->snapshot(), QList<int>{103});
        }
    }
    QCOMPARE(traces[1], traces[0]);
    QVERIFY(traces[0].size() > 20);
}

void TestParents::paradeSaysEachNameInTheLanguageOfTheTexts_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<bool>("speak");
    QTest::addColumn<QStringList>("names");
    // A parade of three: the shuffle leaves frog, owl and cat first.
    QTest::newRow("Chinese") << Language::Chinese << true
                             << QStringList{"zh:青蛙", "zh:猫头鹰", "zh:小猫"};
    QTest::newRow("English") << Language::English << true
                             << QStringList{"en:frog", "en:owl", "en:cat"};
    QTest::newRow("switched off") << Language::Chinese << false << QStringList{};
}

void TestParents::paradeSaysEachNameInTheLanguageOfTheTexts() {
    QFETCH(Language, language);
    QFETCH(bool, speak);
    QFETCH(QStringList, names);
    auto log = std::make_shared<NameLog>();
    {
        ManualClock clock;
        // The shuffle leaves every character in its place.
        std::vector<double> draws;
        for (int i = 0; i < 36; ++i)
            draws.push_back((i + 0.5) / 36);
        wimbly::ScriptedRandom random(draws);
        MainWindow mainWindow(
            {&clock, &random, m_folder.path(), silence(), std::make_unique<LoggingSpeech>(log)});
        ParentsMenu parents(mainWindow, nullptr);
        parents.setLanguage(language);
        mainWindow.show();
        if (speak)
            mainWindow.commands().speak.trigger();
        QCOMPARE(mainWindow.isSpeakOn(), speak);

        int shown = 0;
        // Each name reaches the speech thread before the next step, as it would at 700 ms.
        const auto hearNewSteps = [&] {
            int now = 0;
            for (int i = 0; i < 36; ++i)
                now += mainWindow.paradeSlot(i).isVisible() ? 1 : 0;
            if (speak && now > shown)
                QVERIFY(log->said.tryAcquire(now - shown, 5000));
            shown = now;
        };
        mainWindow.game().start(wimbly::Rules{700, 3, 3, false});
        hearNewSteps();
        while (mainWindow.game().phase() != Game::Phase::Answering && clock.advanceToAlarm())
            hearNewSteps();
        QCOMPARE(shown, 0);
        // A wrong press, then the right ones and the turn's end: they ask for no name.
        press(mainWindow, 35);
        for (int i = 0; i < 3; ++i)
            press(mainWindow, i);
        QCOMPARE(mainWindow.game().phase(), Game::Phase::TurnEnd);
        clock.advance(1000);
    }
    // The window and its speech thread are gone: every name asked for has been said.
    QCOMPARE(log->snapshot(), names);
}

void TestParents::menuNotesWhenSpeechIsNotAvailable_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("text");
    QTest::newRow("Chinese") << Language::Chinese << QStringLiteral("说出动物的名字（语音不可用）");
    QTest::newRow("English") << Language::English
                             << QStringLiteral("Say the animals' names (speech not available)");
}

void TestParents::menuNotesWhenSpeechIsNotAvailable() {
    QFETCH(Language, language);
    QFETCH(QString, text);
    auto log = std::make_shared<NameLog>();
    log->canSpeak = false;
    MainWindow mainWindow({nullptr, nullptr, {}, silence(), std::make_unique<LoggingSpeech>(log)});
    ParentsMenu parents(mainWindow, nullptr);
    parents.setLanguage(language);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    QCOMPARE(mainWindow.speechAvailability(), wimbly::NameSpeaker::Availability::Unknown);
    mainWindow.commands().speak.trigger();
    QTRY_COMPARE(mainWindow.speechAvailability(), wimbly::NameSpeaker::Availability::Unavailable);
    QMenu* menu = parents.popup(mainWindow.mapToGlobal(QPoint(520, 100)));
    QVERIFY(actionTexts(*menu).contains(text));
    // The switch stays as chosen; the game plays on without names.
    QVERIFY(mainWindow.commands().speak.isChecked());
    QVERIFY(mainWindow.isSpeakOn());
    menu->close();
}

void TestParents::sidePanelRightClickOpensTheMenu_data() {
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("opens");
    for (const bool running : {false, true}) {
        const char* when = running ? "in a game" : "before a game";
        QTest::addRow("%s, first navy column", when) << QPoint(458, 100) << running << true;
        QTest::addRow("%s, last background column", when) << QPoint(457, 100) << running << false;
        QTest::addRow("%s, bottom-right corner", when) << QPoint(550, 458) << running << true;
        QTest::addRow("%s, on the start button", when) << QPoint(505, 193) << running << true;
        QTest::addRow("%s, on the score", when) << QPoint(500, 410) << running << true;
        QTest::addRow("%s, on the scene", when) << QPoint(200, 100) << running << false;
        QTest::addRow("%s, on the board", when) << QPoint(200, 300) << running << false;
    }
}

void TestParents::sidePanelRightClickOpensTheMenu() {
    QFETCH(QPoint, at);
    QFETCH(bool, running);
    QFETCH(bool, opens);
    ManualClock clock;
    MainWindow mainWindow({&clock, nullptr, {}, silence()});
    ParentsMenu parents(mainWindow, nullptr);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    if (running) {
        mainWindow.startButton().clicked();
        runUntilAnswering(clock, mainWindow.game());
    }
    rightClick(mainWindow, at);
    QCOMPARE(parents.menu() != nullptr, opens);
    if (opens) {
        QTRY_VERIFY(parents.menu()->isVisible());
        QCOMPARE(actionTexts(*parents.menu()).size(), 8);
        parents.menu()->close();
    }
    QCOMPARE(mainWindow.game().phase(), running ? Game::Phase::Answering : Game::Phase::Idle);
}

void TestParents::menuKeyOpensTheMenuWithTheKeysOfItsCommands() {
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    ParentsMenu parents(mainWindow, nullptr);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    // The window system turns the menu key into a menu request where the mouse pointer happens
    // to be, here over the scene, where a right-click opens nothing.
    const QPoint pointer(200, 100);
    QContextMenuEvent request(QContextMenuEvent::Keyboard, pointer,
                              mainWindow.mapToGlobal(pointer));
    QCoreApplication::sendEvent(&mainWindow, &request);
    QMenu* menu = parents.menu();
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    QStringList keys;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator())
            keys << action->shortcut().toString(QKeySequence::PortableText);
    }
    QCOMPARE(keys, (QStringList{"Ctrl++", "Ctrl+-", "Ctrl+0", "F11", "Ctrl+M", "", "", ""}));
    menu->close();
}

void TestParents::menuIsDrivenByArrowsAndEnter() {
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    ParentsMenu parents(mainWindow, nullptr);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    const auto choose = [&](int downs) {
        // On the start button, which stands in the side panel at every zoom and in full screen.
        rightClick(mainWindow, mainWindow.startButton().geometry().center());
        QMenu* menu = parents.menu();
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_VERIFY(!parents.menu());
    };
    // Zoom in, zoom out, 100 %, full screen, sound, language.
    choose(5);
    QVERIFY(!mainWindow.isSoundOn());
    choose(5);
    QVERIFY(mainWindow.isSoundOn());
    choose(1);
    QCOMPARE(mainWindow.zoom(), 1.25);
    choose(3);
    QCOMPARE(mainWindow.zoom(), 1.0);
    choose(4);
    QVERIFY(mainWindow.isFullScreenMode());
    choose(4);
    QVERIFY(!mainWindow.isFullScreenMode());
}

void TestParents::menuTextsFollowTheLanguage_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("Chinese") << Language::Chinese
                             << QStringList{"放大", "缩小",           "100 %", "全屏",
                                            "声音", "说出动物的名字", "语言",  "单键扫描"};
    QTest::newRow("English") << Language::English
                             << QStringList{"Zoom in",  "Zoom out",
                                            "100 %",    "Full screen",
                                            "Sound",    "Say the animals' names",
                                            "Language", "One-switch scanning"};
}

void TestParents::menuTextsFollowTheLanguage() {
    QFETCH(Language, language);
    QFETCH(QStringList, texts);
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    ParentsMenu parents(mainWindow, nullptr);
    parents.setLanguage(language);
    QMenu* menu = parents.popup(mainWindow.mapToGlobal(QPoint(520, 100)));
    QCOMPARE(actionTexts(*menu), texts);
    // Each language keeps its own name, and the one in effect is ticked.
    QAction* chinese = submenuChoice(*menu, QStringLiteral("中文"));
    QAction* english = submenuChoice(*menu, QStringLiteral("English"));
    QVERIFY(chinese && english);
    QCOMPARE(chinese->isChecked(), language == Language::Chinese);
    QCOMPARE(english->isChecked(), language == Language::English);
    menu->close();
}

void TestParents::everyWindowSpeaksEnglishWhenChosen() {
    ManualClock clock;
    MainWindow mainWindow({&clock, nullptr, m_folder.path(), silence()});
    ParentsMenu parents(mainWindow, nullptr);
    mainWindow.show();
    QCOMPARE(mainWindow.startButton().toolTip(), QStringLiteral("开始"));

    QMenu* menu = parents.popup(mainWindow.mapToGlobal(QPoint(520, 100)));
    submenuChoice(*menu, QStringLiteral("English"))->trigger();
    // The open main window follows as the language change reaches it.
    QTRY_COMPARE(mainWindow.startButton().toolTip(), QStringLiteral("Start"));
    QCOMPARE(mainWindow.windowTitle(), QStringLiteral("Wimbly"));
    QCOMPARE(mainWindow.helpButton().toolTip(), QStringLiteral("Help"));

    QTest::keyClick(&mainWindow, Qt::Key_F1);
    auto* help = qobject_cast<wimbly::HelpWindow*>(mainWindow.secondaryWindow());
    QVERIFY(help);
    QCOMPARE(help->windowTitle(), QStringLiteral("Help"));
    const QString text = help->text().text();
    QVERIFY2(text.startsWith(QStringLiteral("Aim of the game: ")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("\r\n\r\nHow to play: ")));
    QVERIFY(!text.contains(
        QRegularExpression(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"))));
    help->close();

    // A first leaderboard (no file yet) takes a name; with a full table it only shows it.
    for (const bool entering : {true, false}) {
        if (!entering) {
            QByteArray table;
            for (int i = 0; i < 10; ++i)
                table += "ann,5000\r\n";
            QVERIFY(writeFile(m_folder.filePath(QStringLiteral("tavrel.tmp")), table));
        }
        wimbly::LeaderboardWindow* leaderboard =
            wimbly::LeaderboardWindow::open(m_folder.path(), 0, &mainWindow);
        QCOMPARE(leaderboard->windowTitle(), QStringLiteral("Leaderboard"));
        auto* heading = leaderboard->findChild<QLabel*>(QStringLiteral("heading"));
        QVERIFY(heading);
        const QString expected = entering ? QStringLiteral("You made the list! Your name:")
                                          : QStringLiteral("Leaderboard");
        QCOMPARE(heading->text(), expected);
        QVERIFY2(QFontMetrics(heading->font()).horizontalAdvance(expected) <= 225,
                 "the heading fits its label");
        auto* button = leaderboard->findChild<QPushButton*>(QStringLiteral("okButton"));
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("OK"));
        leaderboard->close();
    }
    // Back to Chinese: the main window follows, and so does the next window opened.
    parents.setLanguage(Language::Chinese);
    QTRY_COMPARE(mainWindow.startButton().toolTip(), QStringLiteral("开始"));
    QTest::keyClick(&mainWindow, Qt::Key_F1);
    QCOMPARE(mainWindow.secondaryWindow()->windowTitle(), QStringLiteral("帮助"));
    mainWindow.secondaryWindow()->close();
}

// Run also under LANG=en_US.UTF-8 (see CMakeLists.txt).
void TestParents::textsAreChineseWhateverTheSystemLocale() {
    if (qEnvironmentVariable("LANG").startsWith(QLatin1String("en")))
        QCOMPARE(QLocale::system().language(), QLocale::English);
    SettingsStore store(m_settingsFile);
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    ParentsMenu parents(mainWindow, &store);
    parents.apply(store.load());
    QCOMPARE(wimbly::currentLanguage(), Language::Chinese);
    QCOMPARE(mainWindow.startButton().toolTip(), QStringLiteral("开始"));
    QTest::keyClick(&mainWindow, Qt::Key_F1);
    QCOMPARE(mainWindow.secondaryWindow()->windowTitle(), QStringLiteral("帮助"));
    mainWindow.secondaryWindow()->close();
}

void TestParents::settingsAreRememberedAcrossTwoRuns() {
    {
        SettingsStore store(m_settingsFile);
        QCOMPARE(store.load(), Preferences{});
        MainWindow mainWindow({nullptr, nullptr, {}, silence()});
        ParentsMenu parents(mainWindow, &store);
        parents.apply(store.load());
        mainWindow.show();
        QTest::keyClick(&mainWindow, Qt::Key_M, Qt::ControlModifier);
        QMenu* menu = parents.popup(mainWindow.mapToGlobal(QPoint(520, 100)));
        submenuChoice(*menu, QStringLiteral("English"))->trigger();
        submenuChoice(*menu, QStringLiteral("快（0.8 秒）"))->trigger();
        menu->close();
        mainWindow.zoomIn();
        mainWindow.setFullScreenMode(true);
        // A zoom chosen in full screen is the one leaving it brings back: it is kept too.
        QTest::keyClick(&mainWindow, Qt::Key_Plus, Qt::ControlModifier);
    }
    wimbly::useLanguage(Language::Chinese);

    SettingsStore store(m_settingsFile);
    const Preferences remembered = store.load();
    QCOMPARE(remembered.zoom, 1.5);
    QCOMPARE(remembered.fullScreen, true);
    QCOMPARE(remembered.soundOn, false);
    QCOMPARE(remembered.language, Language::English);
    QCOMPARE(remembered.scan, 0.8);
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    ParentsMenu parents(mainWindow, &store);
    parents.apply(remembered);
    QCOMPARE(mainWindow.zoom(), 1.5);
    QVERIFY(mainWindow.isFullScreenMode());
    QVERIFY(!mainWindow.isSoundOn());
    QCOMPARE(mainWindow.keyboard().scanInterval(), 800);
    QTRY_COMPARE(mainWindow.startButton().toolTip(), QStringLiteral("Start"));
    // Putting them into effect at start-up wrote nothing.
    const QByteArray bytes = readFile(m_settingsFile);
    parents.apply(Preferences{});
    QCOMPARE(readFile(m_settingsFile), bytes);
}

void TestParents::defaultSettingsLiveInTheUserConfigFolder() {
    QStandardPaths::setTestModeEnabled(true);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString path = folder + QStringLiteral("/wimbly/wimbly.ini");
    QFile::remove(path);
    {
        SettingsStore store;
        Preferences quiet;
        quiet.soundOn = false;
        store.save(wimbly::settingOf(&Preferences::soundOn), quiet);
    }
    QVERIFY2(QFile::exists(path), qPrintable(path));
    QCOMPARE(SettingsStore().load().soundOn, false);
    QFile::remove(path);
    QStandardPaths::setTestModeEnabled(false);
}

void TestParents::damagedSettingsGiveTheDefaults_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("folder");
    QByteArray noise;
    for (int i = 0; i < 4096; ++i)
        noise += char((i * 7919 + 13) % 256);
    QTest::newRow("random bytes") << noise << false;
    QTest::newRow("values of the wrong kind")
        << QByteArray("[view]\nzoom=banana\nfullScreen=maybe\n[sound]\non=2\n[General]\n"
                      "language=fr\n")
        << false;
    QTest::newRow("zoom too large") << QByteArray("[view]\nzoom=99\n") << false;
    QTest::newRow("zoom too small") << QByteArray("[view]\nzoom=0.1\n") << false;
    QTest::newRow("zoom not a number") << QByteArray("[view]\nzoom=nan\n") << false;
    QTest::newRow("zoom a list") << QByteArray("[view]\nzoom=1, 2\n") << false;
    QTest::newRow("unclosed section") << QByteArray("[view\nzoom=2\n\xff\xfe") << false;
    QTest::newRow("one huge line") << QByteArray(1 << 20, 'x') << false;
    QTest::newRow("a folder in its place") << QByteArray() << true;
}

void TestParents::damagedSettingsGiveTheDefaults() {
    QFETCH(QByteArray, content);
    QFETCH(bool, folder);
    if (folder)
        QVERIFY(QDir().mkpath(m_settingsFile));
    else
        QVERIFY(writeFile(m_settingsFile, content));
    {
        SettingsStore store(m_settingsFile);
        QCOMPARE(store.load(), Preferences{});
        MainWindow mainWindow({nullptr, nullptr, {}, silence()});
        ParentsMenu parents(mainWindow, &store);
        parents.apply(store.load());
        QVERIFY(mainWindow.isSoundOn());
        QCOMPARE(mainWindow.zoom(), 1.0);
        // A choice made now must not fail either.
        QTest::keyClick(&mainWindow, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!mainWindow.isSoundOn());
    }
    if (folder)
        QVERIFY(QDir(m_settingsFile).removeRecursively());
}

void TestParents::commandLineWinsAndIsNotSaved() {
    const QByteArray stored("[General]\nlanguage=zh\n\n[sound]\non=true\n\n[view]\nzoom=2\n");
    QVERIFY(writeFile(m_settingsFile, stored));
    const wimbly::CommandLine commandLine = wimbly::parseCommandLine(
        {"wimbly", "--scale", "1.5", "--mute", "--lang", "en", "--fullscreen"});
    QVERIFY(!commandLine.exitCode);

    SettingsStore store(m_settingsFile);
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    ParentsMenu parents(mainWindow, &store);
    parents.apply(commandLine.options.over(store.load()));
    QCOMPARE(mainWindow.zoom(), 1.5);
    QVERIFY(mainWindow.isFullScreenMode());
    QVERIFY(!mainWindow.isSoundOn());
    QTRY_COMPARE(mainWindow.startButton().toolTip(), QStringLiteral("Start"));
    QCOMPARE(readFile(m_settingsFile), stored);

    // A choice made during the run is remembered, and only that one.
    QTest::keyClick(&mainWindow, Qt::Key_M, Qt::ControlModifier);
    const Preferences remembered = SettingsStore(m_settingsFile).load();
    QCOMPARE(remembered.soundOn, true);
    QCOMPARE(remembered.zoom, 2.0);
    QCOMPARE(remembered.fullScreen, false);
    QCOMPARE(remembered.language, Language::Chinese);

    // Options left out keep what is remembered.
    const wimbly::CommandLine bare = wimbly::parseCommandLine({"wimbly"});
    QCOMPARE(bare.options.over(remembered), remembered);
}

void TestParents::everySettingOfTheTableIsSavedAndTakenFromTheCommandLine_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(wimbly::Settings.size()); ++i)
        QTest::addRow("%s", wimbly::Settings[std::size_t(i)].key) << i;
}

// A setting added to the table is remembered, offered by --help, set by its option and refused
// with a message naming the option when the value is wrong.
void TestParents::everySettingOfTheTableIsSavedAndTakenFromTheCommandLine() {
    QFETCH(int, index);
    const wimbly::Setting& setting = wimbly::Settings[std::size_t(index)];
    // Everything other than the defaults: 150 %, full screen, no sound, English, 1.2 s a step,
    // five characters first, seven lives, practice, the last game's length first, kiosk, locked,
    // names said, scanning every 1.5 s.
    const Preferences changed{1.5,  true, false, Language::English, 1200, 5, 7, true, true, true,
                              true, true, 1.5};
    QVERIFY(!wimbly::sameValue(setting, changed, Preferences{}));
    const auto only = [&setting](const Preferences& value) {
        return [&setting, value](const Preferences& loaded) {
            for (const wimbly::Setting& other : wimbly::Settings) {
                if (!wimbly::sameValue(other, loaded,
                                       other.key == setting.key ? value : Preferences{}))
                    return false;
            }
            return true;
        };
    };

    // The player's own choice, saved and loaded again; a system-wide setting is never saved.
    SettingsStore(m_settingsFile).save(setting, changed);
    QVERIFY(
        only(setting.systemOnly ? Preferences{} : changed)(SettingsStore(m_settingsFile).load()));

    // The system-wide file gives the default under the player's own file, which wins, except for
    // a system-wide setting, which the player's file cannot change.
    const QString systemFile = m_folder.filePath(QStringLiteral("system-%1.ini").arg(index));
    QSettings(systemFile, QSettings::IniFormat)
        .setValue(QLatin1String(setting.key), wimbly::valueText(setting, changed));
    QSettings(m_settingsFile, QSettings::IniFormat)
        .setValue(QLatin1String(setting.key), wimbly::valueText(setting, Preferences{}));
    const QString noFile = m_folder.filePath(QStringLiteral("none.ini"));
    QVERIFY(only(changed)(SettingsStore(noFile, {systemFile}).load()));
    QVERIFY(only(setting.systemOnly ? changed : Preferences{})(
        SettingsStore(m_settingsFile, {systemFile}).load()));
    if (setting.perChild) {
        // A child without a value of their own plays by the system-wide one.
        SettingsStore store(m_settingsFile, {systemFile});
        QVERIFY(store.addChild({QStringLiteral("Ann"), 1}));
        QVERIFY(only(changed)(store.load(QStringLiteral("Ann"))));
    }
    QVERIFY(!QFile::exists(noFile));

    if (!setting.option)
        return;
    const QString option = QLatin1String("--") + QLatin1String(setting.option);
    QVERIFY(wimbly::parseCommandLine({"wimbly", "--help"}).message.contains(option));
    QStringList arguments{"wimbly", option};
    if (setting.valueName)
        arguments << wimbly::valueText(setting, changed);
    const wimbly::CommandLine given = wimbly::parseCommandLine(arguments);
    QVERIFY2(!given.exitCode, qPrintable(given.message));
    QVERIFY(wimbly::sameValue(setting, given.options.over(Preferences{}), changed));
    QCOMPARE(given.options.over(changed), changed);

    if (setting.valueName) {
        const wimbly::CommandLine wrong = wimbly::parseCommandLine({"wimbly", option, "banana"});
        QCOMPARE(wrong.exitCode, 1);
        QVERIFY2(wrong.message.contains(option), qPrintable(wrong.message));
    }
}

void TestParents::lockedKeepsTheMenuShutAndTheSettingKeysIdleButTheGamePlays() {
    ManualClock clock;
    MainWindow mainWindow({&clock, nullptr, {}, silence()});
    ParentsMenu parents(mainWindow, nullptr);
    Preferences locked;
    locked.locked = true;
    parents.apply(locked);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));

    rightClick(mainWindow, QPoint(520, 100));
    QVERIFY(!parents.menu());
    // A grown-up's hold on the panel does not even begin.
    QTest::mousePress(&mainWindow, Qt::LeftButton, {}, QPoint(520, 100));
    QVERIFY(!parents.holdGate().isHolding());
    QTest::mouseRelease(&mainWindow, Qt::LeftButton, {}, QPoint(520, 100));
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(520, 100),
                              mainWindow.mapToGlobal(QPoint(520, 100)));
    QCoreApplication::sendEvent(&mainWindow, &menuKey);
    QVERIFY(!parents.menu());
    QTest::keyClick(&mainWindow, Qt::Key_M, Qt::ControlModifier);
    QTest::keyClick(&mainWindow, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(&mainWindow, Qt::Key_F11);
    QVERIFY(mainWindow.isSoundOn());
    QCOMPARE(mainWindow.zoom(), 1.0);
    QVERIFY(!mainWindow.isFullScreenMode());

    // The game itself: Enter starts, F1 opens the help.
    QTest::keyClick(&mainWindow, Qt::Key_Return);
    runUntilAnswering(clock, mainWindow.game());
    QTest::keyClick(&mainWindow, Qt::Key_F1);
    QTRY_VERIFY(qobject_cast<wimbly::HelpWindow*>(mainWindow.secondaryWindow()));
    mainWindow.secondaryWindow()->close();
}

void TestParents::kioskEndsOnlyByTheMenusQuit() {
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    ParentsMenu parents(mainWindow, nullptr);
    Preferences kiosk;
    kiosk.kiosk = true;
    parents.apply(kiosk);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    QVERIFY(mainWindow.isFullScreenMode());

    // The close box, Alt+F4 and a window manager's request all arrive as a close.
    QVERIFY(!mainWindow.close());
    QVERIFY(mainWindow.isVisible());

    QMenu* menu = parents.popup(mainWindow.mapToGlobal(QPoint(520, 100)));
    QCOMPARE(actionTexts(*menu).last(), QStringLiteral("退出"));
    menu->actions().last()->trigger();
    QVERIFY(!mainWindow.isVisible());
}

QTEST_MAIN(TestParents)
#include "tst_parents.moc"
