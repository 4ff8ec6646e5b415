#pragma once

#include "catalogue.h"
#include "cueplayer.h"
#include "game.h"
#include "gameview.h"
#include "picturebox.h"
#include "qtclock.h"
#include "randomsource.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace wimbly {

class KeyboardPlay;

// The main window: the background scene, the board, the mascot, the presentation slots, the
// life markers, the score and the start and help buttons. It shows what the game asks for and
// passes the player's presses to the game.
class Form1 : public QWidget, private GameView {
    Q_OBJECT
public:
    // What the window plays with; each empty field takes the program's own: real time, chance
    // seeded from the clock, and the program's folder for its files.
    struct Setup {
        Clock* clock = nullptr;
        RandomSource* random = nullptr;
        QString folder;
        // Where cues sound; empty means the system's default audio output.
        std::unique_ptr<CueOutput> sound = nullptr;
    };

    Form1();
    explicit Form1(Setup setup);
    ~Form1() override;

    // Folder of the program's own files, with a trailing separator.
    const QString& path() const { return sPath; }

    Game& game() { return m_game; }
    PictureBox& board() { return PicAll; }
    PictureBox& mascot() { return PicDH; }
    PictureBox& startButton() { return Picbeg; }
    PictureBox& helpButton() { return Pichp; }
    PictureBox& marker(int i) { return *Picf.at(i); }
    PictureBox& slot(int i) { return *Pict.at(i); }
    QLabel& score() { return Label1; }
    // The leaderboard or help window while one is open.
    QWidget* secondaryWindow() const;

    // The client area, in pixels.
    static constexpr QSize ClientSize = res::MainClientSize;

    // The view's scale: the factor the scene is drawn at (1 is the window's own size), and the
    // full-screen mode. Changes by key or call report viewChanged().
    qreal zoom() const;
    void setZoom(qreal factor);
    void zoomIn();
    void zoomOut();
    void resetZoom();
    bool isFullScreenMode() const;
    void setFullScreenMode(bool on);

    // Sound on or off. While it is off no cue is played and no audio stream is opened; the
    // game's timing is the same either way.
    bool isSoundOn() const { return m_soundOn; }
    void setSoundOn(bool on);

signals:
    // The zoom or the full-screen mode changed.
    void viewChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Form_Load();
    void retranslate();

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
    void playCue(int cueId) override;
    void openLeaderboard(qint32 score) override;
    void openHelp() override;

    QString sPath;
    QPixmap m_background;

    PictureBox PicAll{this};
    PictureBox PicDH{this};
    PictureBox Picbeg{this};
    PictureBox Pichp{this};
    // Control arrays: element 0 is part of the window, Form_Load creates the others.
    std::vector<std::unique_ptr<PictureBox>> Picf;
    std::vector<std::unique_ptr<PictureBox>> Pict;
    QLabel Label1{QStringLiteral("0"), this};

    std::optional<CuePlayer> m_cues;
    bool m_soundOn = true;
    QtClock m_ownClock;
    SystemRandom m_ownRandom;
    Game m_game;
    QPointer<QWidget> m_secondary;
    qreal m_zoom = 1;
    bool m_fullScreen = false;
    KeyboardPlay* m_keyboard = nullptr;
};

} // namespace wimbly
