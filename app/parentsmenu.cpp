#include "parentsmenu.h"

#include "catalogue.h"
#include "keyboardplay.h"
#include "language.h"
#include "mainwindow.h"

#include <QContextMenuEvent>
#include <QMenu>

#include <utility>

namespace wimbly {

ParentsMenu::ParentsMenu(MainWindow& window, SettingsStore* store)
    : m_window(window), m_store(store),
      // Locked, a hold shows no ring for a menu that would not open.
      m_holdGate(window, window, [this](QPoint pos) { return !m_locked && onSidePanel(pos); }),
      m_applied(current()) {
    m_window.installEventFilter(this);
    connect(&m_holdGate, &HoldGate::held, this, [this](QPoint globalPos) {
        if (m_window.isEnabled())
            popup(globalPos);
    });
    connect(&m_window, &MainWindow::viewChanged, this, &ParentsMenu::remember);
    connect(&m_window, &MainWindow::soundChanged, this, &ParentsMenu::remember);
    connect(&m_window, &MainWindow::speakChanged, this, &ParentsMenu::remember);
    Commands& commands = m_window.commands();
    for (const Language language : {Language::Chinese, Language::English}) {
        connect(&commands.languageAction(language), &QAction::triggered, this,
                [this, language] { setLanguage(language); });
    }
    for (QAction* speed :
         {&commands.scanOff, &commands.scanSlow, &commands.scanMedium, &commands.scanFast}) {
        connect(speed, &QAction::triggered, this, [this, speed] {
            setScanInterval(speed->data().toInt());
            remember();
        });
    }
}

ParentsMenu::~ParentsMenu() {
    delete m_menu;
}

void ParentsMenu::apply(const Preferences& preferences) {
    SettingsStore* const store = std::exchange(m_store, nullptr);
    useLanguage(preferences.language);
    m_window.setSoundOn(preferences.soundOn);
    m_window.setSpeakOn(preferences.speak);
    m_window.setZoom(preferences.zoom);
    m_window.setFullScreenMode(preferences.fullScreen || preferences.kiosk);
    m_window.setKiosk(preferences.kiosk);
    setScanInterval(qRound(preferences.scan * 1000));
    m_locked = preferences.locked;
    m_window.commands().setLocked(m_locked);
    m_applied = current();
    m_store = store;
}

void ParentsMenu::setLanguage(Language language) {
    useLanguage(language);
    m_window.commands().languageAction(currentLanguage()).setChecked(true);
    remember();
}

Preferences ParentsMenu::current() const {
    Preferences now;
    // The window's own zoom, also while full screen fits the scene to the screen: it is the one
    // that leaving full screen brings back, and keys change it in full screen too.
    now.zoom = m_window.zoom();
    now.fullScreen = m_window.isFullScreenMode();
    now.soundOn = m_window.isSoundOn();
    now.speak = m_window.isSpeakOn();
    now.language = currentLanguage();
    now.scan = m_window.keyboard().scanInterval() / 1000.0;
    return now;
}

void ParentsMenu::setScanInterval(int ms) {
    m_window.keyboard().setScanInterval(ms);
    m_window.commands().showScanInterval(ms);
}

void ParentsMenu::remember() {
    const Preferences now = current();
    // The children's settings are kept by the children's window, for each child.
    for (const Setting& setting : Settings) {
        if (m_store && !setting.perChild && !sameValue(setting, now, m_applied))
            m_store->save(setting, now);
    }
    m_applied = now;
}

QMenu* ParentsMenu::popup(const QPoint& globalPos) {
    if (m_locked)
        return nullptr;
    delete m_menu;
    auto* menu = new QMenu(&m_window);
    m_menu = menu;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("parentsMenu"));

    Commands& commands = m_window.commands();
    // The texts as the language now in effect has them, also before its change reaches the
    // window.
    commands.retranslate();
    menu->addActions({&commands.zoomIn, &commands.zoomOut, &commands.resetZoom});
    menu->addSeparator();
    menu->addActions({&commands.fullScreen, &commands.sound, &commands.speak});
    QMenu* languages = menu->addMenu(tr(settingOf(&Preferences::language).menuText));
    commands.languageAction(currentLanguage()).setChecked(true);
    languages->addActions({&commands.chinese, &commands.english});
    QMenu* scanning = menu->addMenu(tr(settingOf(&Preferences::scan).menuText));
    scanning->addActions({&commands.scanOff, &commands.scanSlow, &commands.scanMedium,
                          &commands.scanFast, &commands.scanOther});
    // The children's windows, where a window has players to carry them out.
    if (commands.children.isVisible() || commands.progress.isVisible())
        menu->addSeparator();
    for (QAction* window : {&commands.children, &commands.progress}) {
        if (window->isVisible())
            menu->addAction(window);
    }
    if (commands.quit.isVisible()) {
        menu->addSeparator();
        menu->addAction(&commands.quit);
    }

    menu->popup(globalPos);
    return menu;
}

bool ParentsMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_window || !m_window.isEnabled() || m_locked)
        return false;
    if (event->type() == QEvent::ContextMenu) {
        const auto* request = static_cast<QContextMenuEvent*>(event);
        // The menu key opens the menu too, at the side panel.
        if (request->reason() == QContextMenuEvent::Keyboard) {
            const QRect panel = m_window.startButton().geometry();
            popup(m_window.mapToGlobal(panel.center()));
            return true;
        }
        if (!onSidePanel(request->pos()))
            return false;
        popup(request->globalPos());
        return true;
    }
    return false;
}

bool ParentsMenu::onSidePanel(QPoint pos) const {
    // The side panel is all of the scene right of the background picture, and in full screen
    // also the margins around the scene.
    const ViewScale& view = m_window.view();
    const QPointF at = QPointF(pos - view.origin()) / view.factor();
    const QSize scene = res::MainClientSize;
    if (at.x() < 0 || at.y() < 0 || at.x() >= scene.width() || at.y() >= scene.height())
        return true;
    return at.x() >= res::bitmapSize(res::Background).width();
}

} // namespace wimbly
