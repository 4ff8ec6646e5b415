// Zoom and full screen: time from Ctrl+Plus (250 % to 300 %) to the fully repainted window with
// the board open, and from entering full screen to its first complete paint. Run it on a screen
// of the size to measure, e.g. a private X server of 3840 x 2160:
//
//   xvfb-run -s "-screen 0 3840x2160x24" bench/bench_view [rounds]

#include "firstpaint.h"
#include "mainwindow.h"
#include "manualclock.h"
#include "paintwatch.h"
#include "playthrough.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace wimbly;
using bench::Figures;
using bench::figures;
using bench::PaintWatch;
using bench::waitForPaints;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    bench::VirtualTimeWindow window;
    if (!window.show())
        return 1;
    MainWindow& mainWindow = window.mainWindow;
    ManualClock& clock = window.clock;
    mainWindow.game().start();
    bench::runUntilAnswering(clock, mainWindow);

    PaintWatch windowPaints, boardPaints;
    mainWindow.installEventFilter(&windowPaints);
    mainWindow.board().installEventFilter(&boardPaints);
    QElapsedTimer timer;

    std::vector<double> zoomSteps;
    for (int i = 0; i < rounds; ++i) {
        mainWindow.setZoom(2.5);
        waitForPaints(windowPaints, windowPaints.paints, boardPaints, boardPaints.paints);
        const int windowBefore = windowPaints.paints, boardBefore = boardPaints.paints;
        timer.start();
        QTest::keyClick(&mainWindow, Qt::Key_Plus, Qt::ControlModifier);
        waitForPaints(windowPaints, windowBefore, boardPaints, boardBefore);
        zoomSteps.push_back(timer.nsecsElapsed() / 1e6);
    }
    mainWindow.resetZoom();

    std::vector<double> fullScreen;
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents();
        const int windowBefore = windowPaints.paints, boardBefore = boardPaints.paints;
        timer.start();
        mainWindow.setFullScreenMode(true);
        waitForPaints(windowPaints, windowBefore, boardPaints, boardBefore);
        fullScreen.push_back(timer.nsecsElapsed() / 1e6);
        mainWindow.setFullScreenMode(false);
        waitForPaints(windowPaints, windowPaints.paints, boardPaints, boardPaints.paints);
    }

    const Figures zoom = figures(zoomSteps);
    const Figures full = figures(fullScreen);
    const QSize screen = mainWindow.screen()->geometry().size();
    std::printf(
        "Ctrl+Plus, 250 %% to 300 %%, to the repainted window: median %.1f ms, worst %.1f ms, "
        "first %.1f ms over %d rounds\n",
        zoom.median, zoom.worst, zoom.first, rounds);
    std::printf("full screen on %d x %d to its first paint: median %.1f ms, worst %.1f ms, first "
                "%.1f ms\n",
                screen.width(), screen.height(), full.median, full.worst, full.first);
    std::printf("resident memory at the end: %ld kB\n", bench::usage().maxRssKb);
    return 0;
}
