#include "form1.h"

#include "form2.h"
#include "form3.h"
#include "loadpic.h"
#include "resids.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>
#include <QTimer>

#include <utility>

namespace wimbly {

namespace {

const QColor Navy(0, 0, 128);
const QColor ScoreRed(255, 0, 0);

constexpr QPoint BoardPosition{50, 205};
constexpr QPoint MascotPosition{130, 230};
constexpr QPoint StartButtonPosition{480, 176};
constexpr QPoint HelpButtonPosition{480, 240};
constexpr QPoint FirstMarkerPosition{464, 8};
constexpr int MarkerStep = 20;
constexpr int MarkerCount = 3;
constexpr QRect ScoreGeometry{472, 400, 65, 25};

// Simplified Chinese serif first, as the score is meant to look; then what Debian installs.
const QStringList ChineseFamilies{QStringLiteral("SimSun"), QStringLiteral("宋体"),
                                  QStringLiteral("NSimSun"), QStringLiteral("Noto Serif CJK SC"),
                                  QStringLiteral("Noto Sans CJK SC")};

} // namespace

Form1::Form1() : Form1(Setup{}) {}

Form1::Form1(Setup setup)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_cues(std::move(setup.sound)), m_game(*this, setup.clock ? *setup.clock : m_ownClock,
                                             setup.random ? *setup.random : m_ownRandom) {
    setWindowTitle(QStringLiteral("Wimbly"));
    setWindowIcon(res::programIcon());
    setFixedSize(ClientSize);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, Navy);
    setPalette(windowPalette);
    setAutoFillBackground(true);

    Picbeg.move(StartButtonPosition);
    Picbeg.setToolTip(QStringLiteral("开始"));
    Pichp.move(HelpButtonPosition);
    Pichp.setToolTip(QStringLiteral("帮助"));

    Picf.push_back(std::make_unique<PictureBox>(this));
    Picf[0]->move(FirstMarkerPosition);
    Pict.push_back(std::make_unique<PictureBox>(this));
    for (PictureBox* hidden : {&PicAll, &PicDH, Picf[0].get(), Pict[0].get()})
        hidden->hide();

    QFont scoreFont;
    scoreFont.setFamilies(ChineseFamilies);
    scoreFont.setPointSize(12);
    scoreFont.setBold(true);
    Label1.setFont(scoreFont);
    Label1.setGeometry(ScoreGeometry);
    Label1.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette scorePalette = Label1.palette();
    scorePalette.setColor(QPalette::Window, Navy);
    scorePalette.setColor(QPalette::WindowText, ScoreRed);
    Label1.setPalette(scorePalette);
    Label1.setAutoFillBackground(true);

    connect(&Picbeg, &PictureBox::clicked, this, [this] { m_game.Picbeg_Click(); });
    connect(&Pichp, &PictureBox::clicked, this, [this] { m_game.Pichp_Click(); });
    connect(&PicAll, &PictureBox::mousePressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at) {
                m_game.PicAll_MouseDown(int(button), int(modifiers), float(at.x()), float(at.y()));
            });

    Form_Load();
    if (!setup.folder.isEmpty())
        sPath = setup.folder.endsWith(QLatin1Char('/')) ? setup.folder
                                                        : setup.folder + QLatin1Char('/');
}

Form1::~Form1() = default;

void Form1::Form_Load() {
    move(ScreenPosition);
    sPath = QCoreApplication::applicationDirPath() + QLatin1Char('/');

    // A picture that cannot be loaded leaves its box empty; start-up always completes.
    auto load = [](PictureBox& box, int id) {
        if (const auto picture = res::LoadPic(id))
            box.setPicture(*picture);
    };
    if (const auto background = res::LoadPic(res::Background))
        m_background = *background;
    PicAll.move(BoardPosition);
    load(PicAll, res::Board);
    load(PicDH, res::MascotLeap);
    load(Picbeg, res::StartButton);
    load(Pichp, res::HelpButton);

    for (int i = 1; i < MarkerCount; ++i) {
        Picf.push_back(std::make_unique<PictureBox>(this));
        Picf[i]->hide();
        Picf[i]->move(Picf[i - 1]->pos() + QPoint(MarkerStep, 0));
    }
    for (auto& marker : Picf)
        load(*marker, res::Marker);
    PicDH.move(MascotPosition);

    const int xstart = 50, ystart = 205, xstep = 40, ystep = 56, perRow = 9;
    Pict[0]->move(xstart, ystart);
    for (int i = 1; i < res::CharacterCount; ++i) {
        Pict.push_back(std::make_unique<PictureBox>(this));
        Pict[i]->hide();
        if (i % perRow == 0)
            Pict[i]->move(Pict[0]->x(), Pict[i - perRow]->y() + ystep);
        else
            Pict[i]->move(Pict[i - 1]->x() + xstep, Pict[i - 1]->y());
    }
    // Slots are drawn above the board so a character never hides behind it.
    for (auto& slot : Pict)
        slot->raise();
}

QWidget* Form1::secondaryWindow() const {
    return m_secondary;
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
    // The sound system is readied once the window is on screen, so that it does not delay the
    // first picture, and long before the first cue is due.
    if (!std::exchange(m_painted, true))
        QTimer::singleShot(0, this, [this] { m_cues.prepare(); });
}

void Form1::closeEvent(QCloseEvent* event) {
    // While the leaderboard or help window is open the main window takes no input, its close
    // box included.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
}

void Form1::setBoardVisible(bool visible) {
    PicAll.setVisible(visible);
}

void Form1::drawOnBoard(QLine line) {
    PicAll.drawLine(line, Qt::white);
}

void Form1::clearBoard() {
    PicAll.clearDrawing();
}

void Form1::setSlotCharacter(int slot, int character) {
    if (const auto picture = res::LoadPic(res::characterBitmap(character)))
        Pict.at(slot)->setPicture(*picture);
}

void Form1::setSlotVisible(int slot, bool visible) {
    Pict.at(slot)->setVisible(visible);
}

void Form1::setMarkerVisible(int marker, bool visible) {
    Picf.at(marker)->setVisible(visible);
}

void Form1::setMascotPose(int bitmapId) {
    if (const auto picture = res::LoadPic(bitmapId))
        PicDH.setPicture(*picture);
}

void Form1::setMascotVisible(bool visible) {
    PicDH.setVisible(visible);
}

void Form1::showScore(qint32 score) {
    Label1.setText(QString::number(score));
}

void Form1::playCue(int cueId) {
    m_cues.PlayCue(cueId);
}

void Form1::openLeaderboard(qint32 score) {
    m_secondary = Form2::open(sPath, score, this);
}

void Form1::openHelp() {
    m_secondary = Form3::open(this);
}

} // namespace wimbly
