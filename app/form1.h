#pragma once

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
#include <vector>

namespace wimbly {

// The main window: the background scene, the board, the mascot, the presentation slots, the
// life markers, the score and the start and help buttons. It shows what the game asks for and
// passes the player's presses to the game.
class Form1 : public QWidget, private GameView {
    Q_OBJECT
public:
    // What the window plays with; each empty field takes the program's own: real time, chance
    // seeded from the clock, the program's folder for its files, and the default audio device
    // for its sound cues (which the window readies after it is first painted).
    struct Setup {
        Clock* clock = nullptr;
        RandomSource* random = nullptr;
        QString folder;
        std::unique_ptr<CueOutput> sound;
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

    static constexpr QSize ClientSize{551, 459};
    static constexpr QPoint ScreenPosition{133, 67};

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();

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

    CuePlayer m_cues;
    bool m_painted = false;
    QtClock m_ownClock;
    SystemRandom m_ownRandom;
    Game m_game;
    QPointer<QWidget> m_secondary;
};

} // namespace wimbly
