#include "form1.h"

#include "catalogue.h"
#include "form2.h"
#include "form3.h"
#include "keyboardplay.h"
#include "loadpic.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>

#include <algorithm>

namespace wimbly {

namespace {

using namespace res;

const QColor NavyColour = QColor::fromRgb(res::Navy);
const QColor ScoreRed(255, 0, 0);

// Simplified Chinese serif first, as the score is meant to look; then what Debian installs.
const QStringList ChineseFamilies{
    QStringLiteral("SimSun"),           QStringLiteral("宋体"),
    QStringLiteral("NSimSun"),          QStringLiteral("Noto Serif CJK SC"),
    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
    QStringLiteral("WenQuanYi Zen Hei")};

} // namespace

Form1::Form1() : Form1(Setup{}) {}

Form1::Form1(Setup setup)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_game(*this, setup.clock ? *setup.clock : m_ownClock,
             setup.random ? *setup.random : m_ownRandom) {
    setWindowTitle(QStringLiteral("Wimbly"));
    setWindowIcon(res::programIcon());
    setFixedSize(ClientSize);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, NavyColour);
    setPalette(windowPalette);
    setAutoFillBackground(true);

    if (setup.sound)
        m_cues.emplace(std::move(setup.sound));
    else
        m_cues.emplace();

    Picbeg.move(StartButtonPosition);
    Pichp.move(HelpButtonPosition);
    retranslate();

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
    scorePalette.setColor(QPalette::Window, NavyColour);
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
    m_keyboard = new KeyboardPlay(*this);
    if (!setup.folder.isEmpty())
        sPath = setup.folder.endsWith(QLatin1Char('/')) ? setup.folder
                                                        : setup.folder + QLatin1Char('/');
}

Form1::~Form1() {
    // The keyboard's filter reads the window's members; it goes before they do.
    delete m_keyboard;
}

void Form1::Form_Load() {
    move(MainScreenPosition);
    sPath = QCoreApplication::applicationDirPath() + QLatin1Char('/');

    // A picture that cannot be loaded leaves its box empty; start-up always completes.
    auto load = [](PictureBox& box, int id) {
        if (const auto picture = res::LoadPic(id))
            box.setPicture(*picture);
    };
    if (const auto background = LoadPic(Background))
        m_background = *background;
    PicAll.move(BoardPosition);
    load(PicAll, Board);
    load(PicDH, MascotLeap);
    load(Picbeg, StartButton);
    load(Pichp, HelpButton);

    for (int i = 1; i < MarkerCount; ++i) {
        Picf.push_back(std::make_unique<PictureBox>(this));
        Picf[i]->hide();
        Picf[i]->move(Picf[i - 1]->pos() + QPoint(MarkerStep, 0));
    }
    for (auto& marker : Picf)
        load(*marker, Marker);
    PicDH.move(MascotPosition);

    for (int i = 1; i < CharacterCount; ++i) {
        Pict.push_back(std::make_unique<PictureBox>(this));
        Pict[i]->hide();
    }
    for (int i = 0; i < CharacterCount; ++i)
        Pict[i]->move(slotPosition(i));
    // Slots are drawn above the board so a character never hides behind it.
    for (auto& slot : Pict)
        slot->raise();
}

// Entry points of the view's scale; they only record the requested state until the scene
// is drawn at other sizes.
qreal Form1::zoom() const {
    return m_zoom;
}

void Form1::setZoom(qreal factor) {
    const qreal zoom = std::clamp<qreal>(factor, 0.5, 4);
    if (qFuzzyCompare(zoom, m_zoom))
        return;
    m_zoom = zoom;
    emit viewChanged();
}

void Form1::zoomIn() {
    setZoom(m_zoom * 1.25);
}

void Form1::zoomOut() {
    setZoom(m_zoom / 1.25);
}

void Form1::resetZoom() {
    setZoom(1);
}

bool Form1::isFullScreenMode() const {
    return m_fullScreen;
}

void Form1::setFullScreenMode(bool on) {
    if (on == m_fullScreen)
        return;
    m_fullScreen = on;
    emit viewChanged();
}

QWidget* Form1::secondaryWindow() const {
    return m_secondary;
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
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

void Form1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void Form1::retranslate() {
    Picbeg.setToolTip(tr("开始"));
    Pichp.setToolTip(tr("帮助"));
}

void Form1::setSoundOn(bool on) {
    m_soundOn = on;
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
    // The cue player opens its audio stream with the first cue it plays; while the sound is
    // off it is given none.
    if (m_soundOn)
        m_cues->PlayCue(cueId);
}

void Form1::openLeaderboard(qint32 score) {
    m_secondary = Form2::open(sPath, score, this);
}

void Form1::openHelp() {
    m_secondary = Form3::open(this);
}

} // namespace wimbly
