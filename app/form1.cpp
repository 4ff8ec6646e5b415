#include "form1.h"

#include "catalogue.h"
#include "form2.h"
#include "form3.h"
#include "keyboardplay.h"
#include "loadpic.h"
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
      m_cues(std::move(setup.sound)), m_game(*this, setup.clock ? *setup.clock : m_ownClock,
                                             setup.random ? *setup.random : m_ownRandom) {
    setWindowTitle(QStringLiteral("Wimbly"));
    setWindowIcon(res::programIcon());
    setFixedSize(ClientSize);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, NavyColour);
    setPalette(windowPalette);
    setAutoFillBackground(true);

    Picbeg.place(StartButtonPosition);
    Pichp.place(HelpButtonPosition);
    retranslate();

    Picf.push_back(std::make_unique<PictureBox>(this));
    Picf[0]->place(FirstMarkerPosition);
    Pict.push_back(std::make_unique<PictureBox>(this));
    for (PictureBox* hidden : {&PicAll, &PicDH, Picf[0].get(), Pict[0].get()})
        hidden->hide();

    QFont scoreFont;
    scoreFont.setFamilies(ChineseFamilies);
    scoreFont.setPointSize(12);
    scoreFont.setBold(true);
    m_scoreFont = scoreFont;
    Label1.setFont(scoreFont);
    Label1.setGeometry(ScoreGeometry);
    Label1.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The score's navy ground is the window's own, showing through. A label filling its own
    // ground would be opaque, and the window would then paint around it: drawing the
    // background through such a clip hands the work to Qt's image threads, started on the
    // first paint for nothing.
    QPalette scorePalette = Label1.palette();
    scorePalette.setColor(QPalette::WindowText, ScoreRed);
    Label1.setPalette(scorePalette);

    connect(&Picbeg, &PictureBox::clicked, this, [this] { m_game.Picbeg_Click(); });
    connect(&Pichp, &PictureBox::clicked, this, [this] { m_game.Pichp_Click(); });
    connect(&PicAll, &PictureBox::mousePressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at) {
                m_game.PicAll_MouseDown(int(button), int(modifiers), float(at.x()), float(at.y()));
            });

    Form_Load();
    m_viewKeys = std::make_unique<ViewKeys>(*this);
    m_keyboard = std::make_unique<KeyboardPlay>(*this);
    if (!setup.folder.isEmpty())
        sPath = setup.folder.endsWith(QLatin1Char('/')) ? setup.folder
                                                        : setup.folder + QLatin1Char('/');
}

Form1::~Form1() = default;

void Form1::Form_Load() {
    move(MainScreenPosition);
    sPath = QCoreApplication::applicationDirPath() + QLatin1Char('/');

    // A picture that cannot be loaded leaves its box empty; start-up always completes. The
    // window's own background is rendered when it is first painted, at the view it then has.
    PicAll.place(BoardPosition);
    PicAll.setBitmap(Board);
    PicDH.setBitmap(MascotLeap);
    Picbeg.setBitmap(StartButton);
    Pichp.setBitmap(HelpButton);

    for (int i = 1; i < MarkerCount; ++i) {
        Picf.push_back(std::make_unique<PictureBox>(this));
        Picf[i]->hide();
        Picf[i]->place(Picf[i - 1]->designPos() + QPoint(MarkerStep, 0));
    }
    for (auto& marker : Picf)
        marker->setBitmap(Marker);
    PicDH.place(MascotPosition);

    for (int i = 1; i < CharacterCount; ++i) {
        Pict.push_back(std::make_unique<PictureBox>(this));
        Pict[i]->hide();
    }
    for (int i = 0; i < CharacterCount; ++i)
        Pict[i]->place(slotPosition(i));
    // Slots are drawn above the board so a character never hides behind it.
    for (auto& slot : Pict)
        slot->raise();
}

QWidget* Form1::secondaryWindow() const {
    return m_secondary;
}

void Form1::setZoom(qreal factor) {
    factor = zoom::clamped(factor);
    if (factor == m_zoom)
        return;
    m_zoom = factor;
    if (!m_fullScreen)
        applyView();
    emit viewChanged();
}

void Form1::zoomIn() {
    setZoom(zoom::stepIn(m_zoom));
}

void Form1::zoomOut() {
    setZoom(zoom::stepOut(m_zoom));
}

void Form1::resetZoom() {
    setZoom(1);
}

void Form1::setFullScreenMode(bool on) {
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

void Form1::applyView() {
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

void Form1::layOutScene(QSize area) {
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
    for (PictureBox* box : {&PicAll, &PicDH, &Picbeg, &Pichp})
        box->setView(m_view);
    for (auto& marker : Picf)
        marker->setView(m_view);
    for (auto& slot : Pict)
        slot->setView(m_view);
    Label1.setGeometry(m_view.rect(ScoreGeometry));
    Label1.setFont(m_view.font(m_scoreFont));
    update();
}

void Form1::resizeEvent(QResizeEvent*) {
    // In full screen a window manager has the last word on the size: the scene follows it.
    if (m_fullScreen)
        layOutScene(size());
}

void Form1::paintEvent(QPaintEvent*) {
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
    // first picture, and long before the first cue is due; with the sound off it waits.
    if (!std::exchange(m_painted, true) && m_soundOn)
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
    if (!on)
        m_cues.stop();
    else if (m_painted)
        m_cues.prepare();
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
    Pict.at(slot)->setBitmap(res::characterBitmap(character));
}

void Form1::setSlotVisible(int slot, bool visible) {
    Pict.at(slot)->setVisible(visible);
}

void Form1::setMarkerVisible(int marker, bool visible) {
    Picf.at(marker)->setVisible(visible);
}

void Form1::setMascotPose(int bitmapId) {
    PicDH.setBitmap(bitmapId);
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
        m_cues.PlayCue(cueId);
}

void Form1::openLeaderboard(qint32 score) {
    m_secondary = Form2::open(sPath, score, this);
}

void Form1::openHelp() {
    m_secondary = Form3::open(this);
}

} // namespace wimbly
