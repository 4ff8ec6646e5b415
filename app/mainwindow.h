#pragma once

#include "catalogue.h"
#include "commands.h"
#include "cueplayer.h"
#include "game.h"
#include "gameview.h"
#include "namespeaker.h"
#include "picturebox.h"
#include "qtclock.h"
#include "randomsource.h"
#include "viewscale.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace wimbly {

class ChildPicker;
class KeyboardPlay;
struct Child;

// The main window: the background scene, the board, the mascot, the presentation slots, the
// life markers, the score and the start and help buttons. It shows what the game asks for and
// passes the player's presses to the game.
class MainWindow : public QWidget, private GameView, public ViewHost {
    Q_OBJECT
public:
    // What the window plays with; each empty field takes the program's own: real time, chance
    // seeded from the clock, the program's folder for its files, the default audio device
    // for its sound cues (which the window readies after it is first painted), and the
    // desktop's speech service for the animals' names (loaded only when they are wanted).
    struct Setup {
        // Positional, as an aggregate would be, but the fields after the sound may be left out.
        Setup(Clock* clock = nullptr, RandomSource* random = nullptr, QString folder = {},
              std::unique_ptr<CueOutput> sound = {}, std::unique_ptr<SpeechOutput> speech = {},
              Clock* scanClock = nullptr)
            : clock(clock), random(random), folder(std::move(folder)), sound(std::move(sound)),
              speech(std::move(speech)), scanClock(scanClock) {}

        Clock* clock = nullptr;
        RandomSource* random = nullptr;
        QString folder;
        std::unique_ptr<CueOutput> sound;
        std::unique_ptr<SpeechOutput> speech;
        // The time of one-switch scanning, apart from the game's own.
        Clock* scanClock = nullptr;
    };

    MainWindow();
    explicit MainWindow(Setup setup);
    ~MainWindow() override;

    // Folder of the program's own files, with a trailing separator.
    const QString& folder() const { return m_folder; }

    Game& game() { return m_game; }
    PictureBox& board() { return m_board; }
    PictureBox& mascot() { return m_mascot; }
    PictureBox& startButton() { return m_startButton; }
    PictureBox& helpButton() { return m_helpButton; }
    PictureBox& lifeMarker(int i) { return *m_lifeMarkers.at(i); }
    // The life markers made so far: all of them once the window is made.
    int lifeMarkerCount() const { return int(m_lifeMarkers.size()); }
    PictureBox& paradeSlot(int i) { return *m_paradeSlots.at(i); }
    QLabel& scoreLabel() { return m_scoreLabel; }
    // Play by the arrow keys, Enter and Space.
    KeyboardPlay& keyboard() { return *m_keyboard; }
    // What the keys, the buttons and the grown-ups' menu ask of the window.
    Commands& commands() { return m_commands; }
    // The leaderboard or help window while one is open.
    QWidget* secondaryWindow() const;

    // The client area, in pixels at 100 %.
    static constexpr QSize ClientSize = res::MainClientSize;

    // Zoom factor of the main window and its secondary windows, 1 = 100 %. At factor s the
    // client area is round(551 s) x round(459 s) and everything in it is scaled by s.
    qreal zoom() const { return m_zoom; }
    // Clamped to [0.5, 4]; does nothing when the factor is unchanged. In full screen the new
    // factor is kept for leaving it.
    void setZoom(qreal factor);
    // The next step above the current factor: 1, 1.25, 1.5, 1.75, 2, 2.5, 3, 4.
    void zoomIn();
    // The next step below the current factor, never below 1 by steps.
    void zoomOut();
    void resetZoom();
    // In full screen the window covers its screen and shows the scene at the largest factor
    // that fits, centred, with navy around it; leaving it restores the zoom and the place.
    bool isFullScreenMode() const { return m_fullScreen; }
    void setFullScreenMode(bool on);
    // How the window shows the scene now: its factor and where the scene's corner is.
    const ViewScale& view() const { return m_view; }

    // ViewHost
    qreal viewFactor() const override { return m_view.factor(); }
    bool coversScreen() const override { return m_fullScreen; }

    // What the start button and key do: by default start a game; the children's play puts the
    // choice of a child first.
    void setStarter(std::function<void()> starter);
    // The child playing, whose name the leaderboard's name box starts with; empty for none.
    void setPlayerName(const QString& name);
    // Shows `children` large on the board area for a child to pick their own (childChosen),
    // by click or by the keys of keyboard play.
    void showChildPicker(const std::vector<Child>& children);
    void hideChildPicker();
    // The children shown to choose from, or null when none are shown.
    ChildPicker* childPicker() const;

    // In kiosk mode closing the window (its close box, Alt+F4, a window manager's request) does
    // not end the program; the quit command does.
    void setKiosk(bool on);
    bool isKiosk() const { return m_kiosk; }
    // Closes the window and whatever secondary window is open over it, kiosk or not: what the
    // quit command and a request to end the program from outside do.
    void quit();

    // Sound on or off. While it is off no cue is played and no audio stream is opened; the
    // game's timing is the same either way.
    bool isSoundOn() const { return m_soundOn; }
    void setSoundOn(bool on);

    // Saying the animals' names during the parade, in the language of the texts, while the
    // sound is on too. Off, the speech library is never loaded; on, it is loaded once the
    // window has been painted. The game's timing is the same either way.
    bool isSpeakOn() const { return m_speakOn; }
    void setSpeakOn(bool on);
    // Whether names can be said, as the speech thread last found.
    NameSpeaker::Availability speechAvailability() const { return m_speaker.availability(); }

signals:
    // The zoom or the full-screen mode has changed, by key or by call.
    void viewChanged();
    // The sound has been turned on or off, by key or by call.
    void soundChanged(bool on);
    // Saying the names has been turned on or off.
    void speakChanged(bool on);
    // A game in which the board was pressed has ended: by a wrong click with no life left, by
    // Start, or by closing the window.
    void gameFinished(const wimbly::GameSummary& summary);
    // A child picked their own among those shown.
    void childChosen(const QString& name);
    // The window has been painted for the first time, and the event loop has come back: the
    // moment to ready what the first picture need not wait for.
    void firstPainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void load();
    void retranslate();
    // Lets the commands act on the window, its game and keyboard play.
    void connectCommands();
    // Sizes the window for the zoom or full-screen mode and lays its controls out.
    void applyView();
    // Lays the scene out in a client area of `area`: at the zoom, or fitted and centred in
    // full screen.
    void layOutScene(QSize area);

    // GameView
    void setBoardVisible(bool visible) override;
    void drawOnBoard(QLine line) override;
    void clearBoard() override;
    void setSlotCharacter(int slot, int character) override;
    void setSlotVisible(int slot, bool visible) override;
    void setMarkerVisible(int marker, bool visible) override;
    void setMascotPose(int bitmapId) override;
    void setMascotVisible(bool visible) override;
    void showScore(qint32 score) override;
    void playCue(res::Cue cue) override;
    void sayName(int character) override;
    void openLeaderboard(qint32 score) override;
    void openHelp() override;
    void gameEnded(const GameSummary& summary) override;

    QString m_folder;
    std::function<void()> m_starter;
    QString m_playerName;
    bool m_kiosk = false;
    // Set by the quit command: the one close a kiosk lets through.
    bool m_quitting = false;
    // Made when first shown: a window whose players have no children never pays for it.
    std::unique_ptr<ChildPicker> m_picker;
    QPixmap m_background;
    qreal m_backgroundFactor = 0; // the view factor m_background was rendered for; 0: none yet

    qreal m_zoom = 1;
    bool m_fullScreen = false;
    ViewScale m_view;
    QPoint m_windowedPos; // of the client area
    QFont m_scoreFont;

    PictureBox m_board{this};
    PictureBox m_mascot{this};
    PictureBox m_startButton{this};
    PictureBox m_helpButton{this};
    // The first marker and slot are made with the window; load() makes the others.
    std::vector<std::unique_ptr<PictureBox>> m_lifeMarkers;
    std::vector<std::unique_ptr<PictureBox>> m_paradeSlots;
    QLabel m_scoreLabel{QStringLiteral("0"), this};

    CuePlayer m_cues;
    bool m_soundOn = true;
    NameSpeaker m_speaker;
    bool m_speakOn = false;
    bool m_painted = false;
    QtClock m_ownClock;
    QtClock m_ownScanClock;
    SystemRandom m_ownRandom;
    Game m_game;
    QPointer<QWidget> m_secondary;
    // The commands and keyboard play read the window's members: declared last, so they go first.
    Commands m_commands{*this};
    std::unique_ptr<KeyboardPlay> m_keyboard;
};

} // namespace wimbly
