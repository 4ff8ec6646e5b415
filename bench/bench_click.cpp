// Time from a mouse press on the board to the repainted frame and score, against the floor of a
// bare widget's repaint measured in the same run.

#include "paintwatch.h"
#include "playthrough.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace wimbly;
using bench::PaintWatch;
using bench::waitForPaints;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    bench::VirtualTimeWindow window;
    if (!window.show())
        return 1;
    MainWindow& mainWindow = window.mainWindow;
    ManualClock& clock = window.clock;

    PaintWatch boardPaints, scorePaints;
    mainWindow.board().installEventFilter(&boardPaints);
    mainWindow.scoreLabel().installEventFilter(&scorePaints);

    std::vector<double> clicks;
    QElapsedTimer timer;
    mainWindow.game().start();
    bench::runUntilAnswering(clock, mainWindow);
    while (clicks.size() < 2000) {
        const int level = mainWindow.game().state().level;
        for (int i = 0; i <= level; ++i) {
            const int cell = mainWindow.game().state().order[i];
            QCoreApplication::processEvents();
            const int boardBefore = boardPaints.paints, scoreBefore = scorePaints.paints;
            timer.start();
            QTest::mousePress(&mainWindow.board(), Qt::LeftButton, {},
                              wimbly::res::cellRect(cell).topLeft() + QPoint(10, 10));
            waitForPaints(boardPaints, boardBefore, scorePaints, scoreBefore);
            clicks.push_back(timer.nsecsElapsed() / 1e6);
        }
        bench::runUntilAnswering(clock, mainWindow);
        if (level == Game::MaxLevel)
            break;
    }

    // The floor: a bare widget of the board's size asked to repaint, twice over (board and score).
    QWidget bare;
    bare.resize(mainWindow.board().size());
    bare.show();
    if (!QTest::qWaitForWindowExposed(&bare))
        return 1;
    PaintWatch barePaints;
    bare.installEventFilter(&barePaints);
    std::vector<double> floor;
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        QCoreApplication::processEvents();
        const int before = barePaints.paints;
        timer.start();
        bare.update();
        waitForPaints(barePaints, before, barePaints, before);
        floor.push_back(timer.nsecsElapsed() / 1e6);
    }

    std::printf("board press to repainted frame and score: median %.3f ms, worst %.3f ms over %zu "
                "presses\n",
                median(clicks), *std::max_element(clicks.begin(), clicks.end()), clicks.size());
    std::printf("bare widget repaint (floor): median %.3f ms\n", median(floor));
    return 0;
}
