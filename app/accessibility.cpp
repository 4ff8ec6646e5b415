#include "accessibility.h"

#include "catalogue.h"
#include "keyboardplay.h"
#include "language.h"
#include "leaderboardwindow.h"
#include "mainwindow.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>

#include <array>
#include <functional>
#include <utility>

namespace wimbly {

namespace {

// Texts in Chinese, the program's own language; translated when a screen reader asks for them,
// so they are always in the language in effect.
const char* const Context = "wimbly::Accessibility";
const char* const ScoreName = QT_TRANSLATE_NOOP("wimbly::Accessibility", "得分 %1");
const char* const LivesName = QT_TRANSLATE_NOOP("wimbly::Accessibility", "生命 %1");
const char* const BoardName = QT_TRANSLATE_NOOP("wimbly::Accessibility", "动物");
const char* const RowName = QT_TRANSLATE_NOOP("wimbly::Accessibility", "第 %1 名，%2，得分 %3");
// The buttons say what their tooltips say.
const char* const ButtonContext = "wimbly::MainWindow";
const char* const StartName = QT_TRANSLATE_NOOP("wimbly::MainWindow", "开始");
const char* const HelpName = QT_TRANSLATE_NOOP("wimbly::MainWindow", "帮助");

QString translated(const char* source, const char* context = Context) {
    return QCoreApplication::translate(context, source);
}

bool english() {
    return currentLanguage() == Language::English;
}

int livesLeft(MainWindow& window) {
    int shown = 0;
    for (int i = 0; i < window.lifeMarkerCount(); ++i)
        shown += window.lifeMarker(i).isHidden() ? 0 : 1;
    return shown;
}

void announce(QObject* object, QAccessible::Event type, int child = -1) {
    QAccessibleEvent event(object, type);
    if (child >= 0)
        event.setChild(child);
    QAccessible::updateAccessibility(&event);
}

// A widget whose name is worked out when asked, in the language then in effect.
class NamedWidget : public QAccessibleWidget {
public:
    NamedWidget(QWidget* widget, QAccessible::Role role, std::function<QString()> name)
        : QAccessibleWidget(widget, role), m_name(std::move(name)) {}

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? m_name() : QAccessibleWidget::text(t);
    }

private:
    std::function<QString()> m_name;
};

// The start and help buttons: pressed by a screen reader as by a click.
class PictureButton : public NamedWidget {
public:
    PictureButton(PictureBox* box, const char* name)
        : NamedWidget(box, QAccessible::Button, [name] { return translated(name, ButtonContext); }),
          m_box(box) {}

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction() && m_box->isEnabled())
            emit m_box->clicked();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    PictureBox* m_box;
};

class BoardList;

// One cell of the board, named by its animal. It has no widget of its own: the board list owns it.
class BoardCell : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    BoardCell(BoardList* board, int cell) : m_board(board), m_cell(cell) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? res::characterName(m_cell, english()) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    BoardList* m_board;
    int m_cell;
};

// The board as a list of its 36 cells, row by row; keyboard play's ring is its focus. The ring
// itself is no child: it only marks the focused cell.
class BoardList : public QAccessibleWidget {
public:
    BoardList(PictureBox* board, MainWindow* window)
        : QAccessibleWidget(board, QAccessible::List), m_window(window) {}
    ~BoardList() override {
        for (const QAccessible::Id id : m_cells) {
            if (id)
                QAccessible::deleteAccessibleInterface(id);
        }
    }

    MainWindow* mainWindow() const { return m_window; }

    // Board cell `cell` on the screen.
    QRect cellRect(int cell) const {
        const QRect r = m_window->board().widgetRect(res::cellRect(cell));
        return QRect(widget()->mapToGlobal(r.topLeft()), r.size());
    }

    // The cell under the ring, or -1 while it is not shown.
    int ringedCell() const;

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? translated(BoardName) : QAccessibleWidget::text(t);
    }
    int childCount() const override { return res::CharacterCount; }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= res::CharacterCount)
            return nullptr;
        QAccessible::Id& id = m_cells[std::size_t(index)];
        if (!id)
            id = QAccessible::registerAccessibleInterface(
                new BoardCell(const_cast<BoardList*>(this), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < res::CharacterCount; ++i) {
            const QAccessible::Id id = m_cells[std::size_t(i)];
            if (id && QAccessible::accessibleInterface(id) == child)
                return i;
        }
        return -1;
    }
    // The cell a click at (x, y) on the screen would press.
    QAccessibleInterface* childAt(int x, int y) const override {
        const PictureBox& board = m_window->board();
        const int cell = res::cellAt(board.designPoint(board.mapFromGlobal(QPointF(x, y))));
        return cell < 0 ? nullptr : child(cell);
    }
    QAccessibleInterface* focusChild() const override {
        const int cell = ringedCell();
        return cell < 0 ? QAccessibleWidget::focusChild() : child(cell);
    }

private:
    MainWindow* m_window;
    mutable std::array<QAccessible::Id, res::CharacterCount> m_cells{};
};

bool BoardCell::isValid() const {
    return m_board->isValid();
}

QWindow* BoardCell::window() const {
    return m_board->window();
}

QAccessibleInterface* BoardCell::parent() const {
    return m_board;
}

QRect BoardCell::rect() const {
    return m_board->cellRect(m_cell);
}

QAccessible::State BoardCell::state() const {
    // While the board is closed its cells are hidden with it.
    const QAccessible::State board = m_board->state();
    QAccessible::State state;
    state.invisible = board.invisible;
    state.offscreen = board.offscreen;
    state.disabled = board.disabled;
    state.focusable = true;
    state.focused = m_board->ringedCell() == m_cell;
    return state;
}

void BoardCell::doAction(const QString& action) {
    MainWindow* window = m_board->mainWindow();
    if (action == pressAction() && window->isEnabled() && window->board().isVisible())
        window->game().pressCell(m_cell);
}

// A label of the leaderboard: a row's name says the place, the name and the score; a row's score
// says "得分 40"; any other label says its text. The labels are made before they are named, and
// Qt keeps the interface it made first, so the name is worked out each time it is asked for.
QString leaderboardLabelName(const QLabel& label) {
    const QString objectName = label.objectName();
    const QWidget* leaderboard = label.parentWidget();
    bool numbered = false;
    if (objectName.startsWith(QLatin1String("name_"))) {
        const int row = objectName.mid(5).toInt(&numbered);
        const auto* score = leaderboard->findChild<QLabel*>(QStringLiteral("score_%1").arg(row));
        if (numbered && score)
            return translated(RowName).arg(row + 1).arg(label.text(), score->text());
    } else if (objectName.startsWith(QLatin1String("score_"))) {
        objectName.mid(6).toInt(&numbered);
        if (numbered)
            return translated(ScoreName).arg(label.text());
    }
    return label.text();
}

QAccessibleInterface* mainWindowInterface(QWidget* widget, MainWindow* window) {
    if (widget == &window->board())
        return new BoardList(&window->board(), window);
    if (widget == &window->startButton())
        return new PictureButton(&window->startButton(), StartName);
    if (widget == &window->helpButton())
        return new PictureButton(&window->helpButton(), HelpName);
    if (widget == &window->scoreLabel()) {
        QLabel* score = &window->scoreLabel();
        return new NamedWidget(score, QAccessible::StaticText,
                               [score] { return translated(ScoreName).arg(score->text()); });
    }
    // Asked while the window is being made, too.
    for (int i = 0; i < window->lifeMarkerCount(); ++i) {
        if (widget != &window->lifeMarker(i))
            continue;
        // The first marker speaks for them all; the others are pictures without a name.
        if (i > 0)
            return new QAccessibleWidget(widget, QAccessible::Graphic);
        return new NamedWidget(widget, QAccessible::StaticText,
                               [window] { return translated(LivesName).arg(livesLeft(*window)); });
    }
    return nullptr;
}

// Asked by Qt for every object a screen reader reaches, once for each of its classes from the
// most derived; only the first answer that is not null counts.
QAccessibleInterface* interfaceFor(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    QWidget* parent = widget ? widget->parentWidget() : nullptr;
    if (!parent)
        return nullptr;
    if (auto* window = qobject_cast<MainWindow*>(parent))
        return mainWindowInterface(widget, window);
    if (qobject_cast<LeaderboardWindow*>(parent)) {
        if (auto* label = qobject_cast<QLabel*>(widget))
            return new NamedWidget(label, QAccessible::StaticText,
                                   [label] { return leaderboardLabelName(*label); });
    }
    return nullptr;
}

// Tells a listening screen reader what changed: the ring's cell, the lives, the language.
class Announcer : public QObject {
public:
    explicit Announcer(MainWindow& window) : QObject(&window), m_window(window) {
        window.installEventFilter(this);
        for (int i = 0; i < window.lifeMarkerCount(); ++i)
            window.lifeMarker(i).installEventFilter(this);
        connect(&window.keyboard(), &KeyboardPlay::highlightMoved, this, [this](int cell) {
            m_ringed = cell;
            if (QAccessible::isActive())
                announce(&m_window.board(), QAccessible::Focus, cell);
        });
        connect(&window.keyboard(), &KeyboardPlay::highlightHidden, this, [this] {
            const int left = std::exchange(m_ringed, -1);
            if (!QAccessible::isActive() || left < 0)
                return;
            QAccessible::State focus;
            focus.focused = true;
            QAccessibleStateChangeEvent event(&m_window.board(), focus);
            event.setChild(left);
            QAccessible::updateAccessibility(&event);
        });
    }

    // The cell under keyboard play's ring, or -1 while it is not shown.
    int ringedCell() const { return m_ringed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        const bool languageChanged = watched == &m_window && type == QEvent::LanguageChange;
        // A marker shown or hidden changes the count the first one says.
        const bool livesChanged =
            watched != &m_window && (type == QEvent::ShowToParent || type == QEvent::HideToParent);
        if (!(languageChanged || livesChanged) || !QAccessible::isActive())
            return false;
        if (languageChanged) {
            for (QWidget* named : {static_cast<QWidget*>(&m_window.startButton()),
                                   static_cast<QWidget*>(&m_window.helpButton()),
                                   static_cast<QWidget*>(&m_window.scoreLabel()),
                                   static_cast<QWidget*>(&m_window.lifeMarker(0)),
                                   static_cast<QWidget*>(&m_window.board())})
                announce(named, QAccessible::NameChanged);
            for (int cell = 0; cell < res::CharacterCount; ++cell)
                announce(&m_window.board(), QAccessible::NameChanged, cell);
        } else {
            announce(&m_window.lifeMarker(0), QAccessible::NameChanged);
        }
        return false;
    }

private:
    MainWindow& m_window;
    int m_ringed = -1;
};

int BoardList::ringedCell() const {
    // The window's announcer follows the ring; a window still being made has none yet.
    for (QObject* child : m_window->children()) {
        if (const auto* announcer = dynamic_cast<const Announcer*>(child))
            return announcer->ringedCell();
    }
    return -1;
}

} // namespace

void installScreenReaderSupport() {
    // Qt asks the factory installed last first, and Qt Widgets installs its own with the
    // application object: this one comes after it, so it is asked before it.
    static const bool installed = [] {
        QAccessible::installFactory(interfaceFor);
        return true;
    }();
    Q_UNUSED(installed);
}

void describeForScreenReaders(MainWindow& window) {
    installScreenReaderSupport();
    new Announcer(window);
}

} // namespace wimbly
