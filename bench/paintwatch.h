#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <algorithm>
#include <vector>

namespace wimbly::bench {

// Counts paint events of the widgets it watches.
class PaintWatch : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Processes events until both watched widgets have painted since the counts given; the pass of
// events that painted them has drawn and flushed their window.
inline void waitForPaints(PaintWatch& a, int aBefore, PaintWatch& b, int bBefore) {
    while (a.paints == aBefore || b.paints == bBefore)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The median, the worst and the first of some timings.
struct Figures {
    double median, worst, first;
};

inline Figures figures(std::vector<double> values) {
    const double first = values.front();
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back(), first};
}

} // namespace wimbly::bench
