#include "mainwindow.h"

#include "accessibility.h"
#include "catalogue.h"
#include "childpicker.h"
#include "helpwindow.h"
#include "keyboardplay.h"
#include "language.h"
#include "leaderboardwindow.h"
#include "pictureloader.h"
#include "windowstyle.h"
#include "zoom.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace wimbly {

namespace {

using namespace res;

const QColor NavyColour = QColor::fromRgb(res::Navy);
const QColor ScoreRed(255, 0, 0);

// The names are said in the language of the texts, by a voice of its main region where the
// speech service has one.
QLocale speechLocale() {
    return currentLanguage() == Language::English ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                  : QLocale(QLocale::Chinese, QLocale::China);
}

} // namespace

MainWindow::MainWindow() : MainWindow(Setup{}) {}

MainWindow::MainWindow(Setup setup)
    : QWidget(nullptr, FixedWindowFlags), m_cues(std::move(setup.sound)),
      m_speaker(std::move(setup.speech)), m_game(*this, setup.clock ? *setup.clock : m_ownClock,
                                                 setup.random ? *setup.random : m_ownRandom) {
    setWindowTitle(QStringLiteral("Wimbly"));
    setWindowIcon(res::programIcon());
    setFixedSize(ClientSize);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, NavyColour);
    setPalette(windowPalette);
    setAutoFillBackground(true);

    m_startButton.place(StartButtonPosition);
    m_helpButton.place(HelpButtonPosition);
    retranslate();

    m_lifeMarkers.push_back(std::make_unique<PictureBox>(this));
    m_lifeMarkers[0]->place(FirstMarkerPosition);
    m_paradeSlots.push_back(std::make_unique<PictureBox>(this));
    for (PictureBox* hidden : {&m_board, &m_mascot, m_lifeMarkers[0].get(), m_paradeSlots[0].get()})
        hidden->hide();

    QFont scoreFont;
    scoreFont.setFamilies(ChineseFamilies);
    scoreFont.setPointSize(12);
    scoreFont.setBold(true);
    m_scoreFont = scoreFont;
    m_scoreLabel.setFont(scoreFont);
    m_scoreLabel.setGeometry(ScoreGeometry);
    m_scoreLabel.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The score's navy ground is the window's own, showing through. A label filling its own
    // ground would be opaque, and the window would then paint around it: drawing the
    // background through such a clip hands the work to Qt's image threads, started on the
    // first paint for nothing.
    QPalette scorePalette = m_scoreLabel.palette();
    scorePalette.setColor(QPalette::WindowText, ScoreRed);
    m_scoreLabel.setPalette(scorePalette);

    connect(&m_startButton, &PictureBox::clicked, &m_commands.start, &QAction::trigger);
    connect(&m_helpButton, &PictureBox::clicked, &m_commands.help, &QAction::trigger);
    connect(&m_board, &PictureBox::mousePressed, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, QPointF at) { m_game.pressBoard(at); });

    load();
    m_keyboard =
        std::make_unique<KeyboardPlay>(*this, setup.scanClock ? *setup.scanClock : m_ownScanClock);
    connectCommands();
    describeForScreenReaders(*this);
    if (!setup.folder.isEmpty())
        m_folder = setup.folder.endsWith(QLatin1Char('/')) ? setup.folder
                                                           : setup.folder + QLatin1Char('/');
}

MainWindow::~MainWindow() = default;

void MainWindow::load() {
    move(MainScreenPosition);
    m_folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');

    // A picture that cannot be loaded leaves its box empty; start-up always completes. The
    // window's own background is rendered when it is first painted, at the view it then has.
    m_board.place(BoardPosition);
    m_board.setBitmap(Board);
    m_mascot.setBitmap(MascotLeap);
    m_startButton.setBitmap(StartButton);
    m_helpButton.setBitmap(HelpButton);

    for (int i = 1; i < MaxMarkerCount; ++i) {
        m_lifeMarkers.push_back(std::make_unique<PictureBox>(this));
        m_lifeMarkers[i]->hide();
        m_lifeMarkers[i]->place(markerPosition(i));
    }
    for (auto& marker : m_lifeMarkers)
        marker->setBitmap(Marker);
    m_mascot.place(MascotPosition);

    for (int i = 1; i < CharacterCount; ++i) {
        m_paradeSlots.push_back(std::make_unique<PictureBox>(this));
        m_paradeSlots[i]->hide();
    }
    for (int i = 0; i < CharacterCount; ++i)
        m_paradeSlots[i]->place(slotPosition(i));
    // Slots are drawn above the board so a character never hides behind it.
    for (auto& slot : m_paradeSlots)
        slot->raise();
}

void MainWindow::connectCommands() {
    Commands& c = m_commands;
    connect(&c.start, &QAction::triggered, this, [this] {
        if (m_starter)
            m_starter();
        else
            m_game.start();
    });
    connect(&c.help, &QAction::triggered, this, [this] { m_game.openHelp(); });
    connect(&c.zoomIn, &QAction::triggered, this, &MainWindow::zoomIn);
    connect(&c.zoomOut, &QAction::triggered, this, &MainWindow::zoomOut);
    connect(&c.resetZoom, &QAction::triggered, this, &MainWindow::resetZoom);
    connect(&c.fullScreen, &QAction::triggered, this, &MainWindow::setFullScreenMode);
    connect(&c.sound, &QAction::triggered, this, &MainWindow::setSoundOn);
    connect(&c.speak, &QAction::triggered, this, &MainWindow::setSpeakOn);
    connect(&m_speaker, &NameSpeaker::availabilityChanged, this,
            [this](NameSpeaker::Availability found) {
                m_commands.setSpeechAvailable(found != NameSpeaker::Availability::Unavailable);
            });
    connect(&c.quit, &QAction::triggered, this, &MainWindow::quit);
    // While the children are shown to choose from, the keys of keyboard play choose among them.
    const auto move = [this](int dx, int dy) {
        if (ChildPicker* picker = childPicker())
            picker->moveRing(dx, dy);
        else
            m_keyboard->move(dx, dy);
    };
    connect(&c.left, &QAction::triggered, this, [move] { move(-1, 0); });
    connect(&c.right, &QAction::triggered, this, [move] { move(1, 0); });
    connect(&c.up, &QAction::triggered, this, [move] { move(0, -1); });
    connect(&c.down, &QAction::triggered, this, [move] { move(0, 1); });
    connect(&c.select, &QAction::triggered, this, [this] {
        if (ChildPicker* picker = childPicker())
            picker->select();
        else
            m_keyboard->select();
    });
}

QWidget* MainWindow::secondaryWindow() const {
    return m_secondary;
}

void MainWindow::setZoom(qreal factor) {
    factor = zoom::clamped(factor);
    if (factor == m_zoom)
        return;
    m_zoom = factor;
    if (!m_fullScreen)
        applyView();
    emit viewChanged();
}

void MainWindow::zoomIn() {
    setZoom(zoom::stepIn(m_zoom));
}

void MainWindow::zoomOut() {
    setZoom(zoom::stepOut(m_zoom));
}

void MainWindow::resetZoom() {
    setZoom(1);
}

void MainWindow::setFullScreenMode(bool on) {
    m_commands.fullScreen.setChecked(on);
    if (on == m_fullScreen)
        return;
    m_fullScreen = on;
    if (on) {
        m_windowedPos = geometry().topLeft();
        // The size is set free before the state is asked for: a window manager may refuse full
        // screen to a window of fixed size.
        applyView();
        setWindowState(windowState() | Qt::WindowFullScreen);
    } else {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        applyView();
        // The client area's place, as the frame is gone in full screen and a window manager
        // gives it back later.
        setGeometry(QRect(m_windowedPos, size()));
    }
    emit viewChanged();
}

void MainWindow::applyView() {
    if (m_fullScreen) {
        // The window's geometry is set here, not left to a window manager: without one, the
        // full-screen state alone leaves the window where and as large as it was.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setGeometry(screen()->geometry());
        layOutScene(size());
    } else {
        setFixedSize(ViewScale(m_zoom).size(ClientSize));
        layOutScene(size());
    }
}

void MainWindow::layOutScene(QSize area) {
    if (m_fullScreen) {
        // The largest factor at which the scene fits, centred.
        const qreal factor = std::min(qreal(area.width()) / ClientSize.width(),
                                      qreal(area.height()) / ClientSize.height());
        const QSize scene = ViewScale(factor).size(ClientSize);
        m_view = ViewScale(factor, QPoint((area.width() - scene.width()) / 2,
                                          (area.height() - scene.height()) / 2));
    } else {
        m_view = ViewScale(m_zoom);
    }
    for (PictureBox* box : {&m_board, &m_mascot, &m_startButton, &m_helpButton})
        box->setView(m_view);
    for (auto& marker : m_lifeMarkers)
        marker->setView(m_view);
    for (auto& slot : m_paradeSlots)
        slot->setView(m_view);
    m_scoreLabel.setGeometry(m_view.rect(ScoreGeometry));
    m_scoreLabel.setFont(m_view.font(m_scoreFont));
    if (m_picker)
        m_picker->setView(m_view);
    update();
}

void MainWindow::resizeEvent(QResizeEvent*) {
    // In full screen a window manager has the last word on the size: the scene follows it.
    if (m_fullScreen)
        layOutScene(size());
}

void MainWindow::paintEvent(QPaintEvent*) {
    const QRect scene = m_view.rect(QRect(QPoint(0, 0), bitmapSize(Background)));
    if (m_backgroundFactor != m_view.factor()) {
        // Rendered for the view when first painted at it, as fine as the screen's pixels.
        if (auto picture =
                renderBitmap(Background, scene.size(), m_view.factor(), devicePixelRatioF()))
            m_background = *picture;
        m_backgroundFactor = m_view.factor();
    }
    QPainter painter(this);
    painter.drawPixmap(scene.topLeft(), m_background);
    // The sound system is readied once the window is on screen, so that it does not delay the
    // first picture, and long before the first cue is due; with the sound off it waits. So is
    // the speech system, and only when the names are wanted.
    if (!std::exchange(m_painted, true)) {
        QTimer::singleShot(0, this, [this] {
            if (m_soundOn)
                m_cues.prepare();
            if (m_speakOn)
                m_speaker.prepare(speechLocale());
            emit firstPainted();
        });
    }
}

void MainWindow::quit() {
    m_quitting = true;
    // A secondary window open over the main window would hold its close back.
    if (m_secondary)
        m_secondary->close();
    close();
    m_quitting = false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // While the leaderboard or help window is open the main window takes no input, its close
    // box included.
    if (!isEnabled() || (m_kiosk && !m_quitting)) {
        event->ignore();
        return;
    }
    m_game.end(Ending::Closed);
    event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        // Whether the new language has a voice.
        if (m_speakOn && m_painted)
            m_speaker.prepare(speechLocale());
    }
    QWidget::changeEvent(event);
}

void MainWindow::retranslate() {
    m_commands.retranslate();
    m_startButton.setToolTip(tr("开始"));
    m_helpButton.setToolTip(tr("帮助"));
}

void MainWindow::setSoundOn(bool on) {
    m_commands.sound.setChecked(on);
    if (on == m_soundOn)
        return;
    m_soundOn = on;
    if (!on) {
        m_cues.stop();
        m_speaker.stop();
    } else if (m_painted) {
        m_cues.prepare();
    }
    emit soundChanged(on);
}

void MainWindow::setSpeakOn(bool on) {
    m_commands.speak.setChecked(on);
    if (on == m_speakOn)
        return;
    m_speakOn = on;
    if (!on)
        m_speaker.stop();
    else if (m_painted)
        m_speaker.prepare(speechLocale());
    emit speakChanged(on);
}

void MainWindow::setBoardVisible(bool visible) {
    m_board.setVisible(visible);
}

void MainWindow::drawOnBoard(QLine line) {
    m_board.drawLine(line, Qt::white);
}

void MainWindow::clearBoard() {
    m_board.clearDrawing();
}

void MainWindow::setSlotCharacter(int slot, int character) {
    m_paradeSlots.at(slot)->setBitmap(res::characterBitmap(character));
}

void MainWindow::setSlotVisible(int slot, bool visible) {
    m_paradeSlots.at(slot)->setVisible(visible);
}

void MainWindow::setMarkerVisible(int marker, bool visible) {
    m_lifeMarkers.at(marker)->setVisible(visible);
}

void MainWindow::setMascotPose(int bitmapId) {
    m_mascot.setBitmap(bitmapId);
}

void MainWindow::setMascotVisible(bool visible) {
    m_mascot.setVisible(visible);
}

void MainWindow::showScore(qint32 score) {
    m_scoreLabel.setText(QString::number(score));
}

void MainWindow::playCue(res::Cue cue) {
    // The cue player opens its audio stream with the first cue it plays; while the sound is
    // off it is given none.
    if (m_soundOn)
        m_cues.play(res::cueId(cue));
}

void MainWindow::sayName(int character) {
    // Said at once, after the cue: the cue's loud start is over within a tenth of a second,
    // before the speech service has begun to speak, and waiting for the cue's whole length
    // (0.63 s) would put each name under the next character at the usual pace.
    if (m_soundOn && m_speakOn)
        m_speaker.say(res::characterName(character, currentLanguage() == Language::English),
                      speechLocale());
}

void MainWindow::openLeaderboard(qint32 score) {
    // A game with more lives than the three markers of old would not be a fair entry.
    const Rules& rules = m_game.rules();
    const bool ranked = !rules.practice && rules.lives <= Game::StartLives;
    m_secondary = LeaderboardWindow::open(m_folder, score, this, {ranked, m_playerName});
}

void MainWindow::gameEnded(const GameSummary& summary) {
    emit gameFinished(summary);
}

void MainWindow::setStarter(std::function<void()> starter) {
    m_starter = std::move(starter);
}

void MainWindow::setKiosk(bool on) {
    m_kiosk = on;
    m_commands.quit.setVisible(on);
}

void MainWindow::setPlayerName(const QString& name) {
    m_playerName = name;
}

void MainWindow::showChildPicker(const std::vector<Child>& children) {
    if (!m_picker) {
        m_picker = std::make_unique<ChildPicker>(this);
        connect(m_picker.get(), &ChildPicker::chosen, this, &MainWindow::childChosen);
    }
    m_picker->setChildren(children);
    m_picker->setView(m_view);
    m_picker->raise();
    m_picker->show();
}

void MainWindow::hideChildPicker() {
    if (m_picker)
        m_picker->hide();
}

ChildPicker* MainWindow::childPicker() const {
    return m_picker && !m_picker->isHidden() ? m_picker.get() : nullptr;
}

void MainWindow::openHelp() {
    m_secondary = HelpWindow::open(this);
}

} // namespace wimbly
