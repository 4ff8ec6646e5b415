#include "parentsmenu.h"

#include "catalogue.h"
#include "language.h"
#include "mainwindow.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

namespace wimbly {

ParentsMenu::ParentsMenu(MainWindow& window, SettingsStore* store)
    : m_window(window), m_store(store), m_zoom(window.zoom()),
      m_fullScreen(window.isFullScreenMode()) {
    m_window.installEventFilter(this);
    connect(&m_window, &MainWindow::viewChanged, this, &ParentsMenu::rememberView);
}

ParentsMenu::~ParentsMenu() {
    delete m_menu;
}

void ParentsMenu::apply(const Preferences& preferences) {
    SettingsStore* const store = m_store;
    m_store = nullptr;
    useLanguage(preferences.language);
    m_window.setSoundOn(preferences.soundOn);
    m_window.setZoom(preferences.zoom);
    m_window.setFullScreenMode(preferences.fullScreen);
    m_zoom = m_window.zoom();
    m_fullScreen = m_window.isFullScreenMode();
    m_store = store;
}

void ParentsMenu::setSoundOn(bool on) {
    m_window.setSoundOn(on);
    if (m_store)
        m_store->saveSoundOn(on);
}

void ParentsMenu::setLanguage(Language language) {
    if (useLanguage(language) && m_store)
        m_store->saveLanguage(language);
}

void ParentsMenu::rememberView() {
    const bool fullScreen = m_window.isFullScreenMode();
    // The window's own zoom, also while full screen fits the scene to the screen: it is the one
    // that leaving full screen brings back, and keys change it in full screen too.
    const qreal zoom = m_window.zoom();
    if (m_store && fullScreen != m_fullScreen)
        m_store->saveFullScreen(fullScreen);
    if (m_store && !qFuzzyCompare(zoom, m_zoom))
        m_store->saveZoom(zoom);
    m_fullScreen = fullScreen;
    m_zoom = zoom;
}

QMenu* ParentsMenu::popup(const QPoint& globalPos) {
    delete m_menu;
    auto* menu = new QMenu(&m_window);
    m_menu = menu;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("parentsMenu"));

    menu->addAction(tr("放大"), &m_window, &MainWindow::zoomIn);
    menu->addAction(tr("缩小"), &m_window, &MainWindow::zoomOut);
    menu->addAction(tr("100 %"), &m_window, &MainWindow::resetZoom);
    menu->addSeparator();
    QAction* fullScreen = menu->addAction(tr("全屏"));
    fullScreen->setCheckable(true);
    fullScreen->setChecked(m_window.isFullScreenMode());
    connect(fullScreen, &QAction::toggled, &m_window, &MainWindow::setFullScreenMode);
    QAction* sound = menu->addAction(tr("声音"));
    sound->setCheckable(true);
    sound->setChecked(m_window.isSoundOn());
    connect(sound, &QAction::toggled, this, &ParentsMenu::setSoundOn);

    // Each language is named in its own script, so a reader of either finds it.
    QMenu* languages = menu->addMenu(tr("语言"));
    auto* group = new QActionGroup(languages);
    const std::pair<Language, QString> choices[] = {{Language::Chinese, QStringLiteral("中文")},
                                                    {Language::English, QStringLiteral("English")}};
    for (const auto& [language, name] : choices) {
        QAction* action = languages->addAction(name);
        action->setCheckable(true);
        action->setChecked(currentLanguage() == language);
        action->setData(languageCode(language));
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, language] { setLanguage(language); });
    }

    menu->popup(globalPos);
    return menu;
}

bool ParentsMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_window || !m_window.isEnabled())
        return false;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_M && key->modifiers() == Qt::ControlModifier) {
            if (!key->isAutoRepeat())
                setSoundOn(!m_window.isSoundOn());
            return true;
        }
        return false;
    }
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
