#pragma once

#include "progresssummary.h"

#include <QWidget>

namespace wimbly {

// The chart of the progress window: the longest parade recalled in each game, a marker a game,
// over the local days on which games were played, with a line through each day's best. Navy
// ground, white axes and markers, the line red like the game's score.
class ProgressChart : public QWidget {
    Q_OBJECT
public:
    explicit ProgressChart(QWidget* parent);

    // Shows `summary`, which must outlive the chart or be replaced before it goes.
    void setSummary(const ProgressSummary* summary);
    // Pen widths, markers and margins are multiplied by `factor`; the font is the widget's own.
    void setFactor(qreal factor);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ProgressSummary* m_summary = nullptr;
    qreal m_factor = 1;
};

} // namespace wimbly
