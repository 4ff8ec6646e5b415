// A parade at the highest level (36 characters) in real time on the real main window: how far
// any step fired after its due time, and when the board opened after the first character.
//   bench_parade [--speak]
// With --speak each character's name is said too, through the desktop's speech service.

#include "playthrough.h"
#include "switchableclock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace wimbly;

namespace {

// Notes the moment a widget is shown.
class ShowWatch : public QObject {
public:
    ShowWatch(QWidget& widget, const bench::SwitchableClock& clock) : m_clock(clock) {
        widget.installEventFilter(this);
    }
    qint64 shownAt = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show && shownAt < 0)
            shownAt = m_clock.now();
        return false;
    }

private:
    const bench::SwitchableClock& m_clock;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir folder;
    bench::SwitchableClock clock;
    MainWindow::Setup setup;
    setup.clock = &clock;
    setup.folder = folder.path();
    MainWindow mainWindow(std::move(setup));
    const bool speak = app.arguments().contains(QStringLiteral("--speak"));
    mainWindow.setSpeakOn(speak);
    mainWindow.show();
    bench::playToHighestLevel(clock.manual(), mainWindow);

    clock.switchToRealTime();
    const qint64 lastClickAt = clock.now();
    const Game& game = mainWindow.game();
    for (int i = 0; i <= game.state().level; ++i)
        bench::pressCell(mainWindow, game.state().order[i]);
    ShowWatch firstCharacter(mainWindow.paradeSlot(0), clock);
    ShowWatch board(mainWindow.board(), clock);
    QTimer poll;
    poll.callOnTimeout([&] {
        if (board.shownAt >= 0)
            app.quit();
    });
    poll.start(50);
    app.exec();

    qint64 worst = 0;
    for (const auto& firing : clock.firings())
        worst = std::max(worst, firing.fired - firing.due);
    std::printf("parade of %d characters: %zu timed steps, largest lag behind due time %lld ms\n",
                int(game.state().level) + 1, clock.firings().size(), static_cast<long long>(worst));
    std::printf("first character %lld ms after the last click (due 1800 ms)\n",
                static_cast<long long>(firstCharacter.shownAt - lastClickAt));
    std::printf("board open %lld ms after the first character (due 26600 ms)\n",
                static_cast<long long>(board.shownAt - firstCharacter.shownAt));
    if (speak) {
        const auto availability = mainWindow.speechAvailability();
        std::printf("names said: %s\n", availability == NameSpeaker::Availability::Available ? "yes"
                                        : availability == NameSpeaker::Availability::Unavailable
                                            ? "speech not available"
                                            : "not yet known");
    }
    return 0;
}
