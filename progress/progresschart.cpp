#include "progresschart.h"

#include "catalogue.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace wimbly {

namespace {

const char* const Context = "wimbly::ProgressWindow";
const char* const GameLegend = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "每局记住的最长队伍");
const char* const DayLegend = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "当天最好");
const char* const NoGames = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "还没有记录的游戏。");

const QColor ScoreRed(255, 0, 0);
// The horizontal lines behind the markers, faint on the navy ground.
const QColor GridWhite(255, 255, 255, 48);

// How the dates under the x axis are spaced: every `step` days from the first day, or on the
// first day of every `step`-th month or of every `step`-th year.
enum class Spacing { Days, Months, Years };

QString dateLabel(const QDate& day, Spacing spacing) {
    switch (spacing) {
    case Spacing::Days:
        return day.toString(QStringLiteral("yyyy-MM-dd"));
    case Spacing::Months:
        return day.toString(QStringLiteral("yyyy-MM"));
    case Spacing::Years:
        break;
    }
    return QString::number(day.year());
}

// A white dot, drawn once and stamped for each game. Partly clear, so that where many games
// crowd the dots shine brighter.
QPixmap markerPixmap(qreal radius, qreal devicePixelRatio) {
    const int side = int(std::ceil(2 * radius + 2));
    QPixmap pixmap(QSize(side, side) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 190));
    painter.drawEllipse(QPointF(side / 2.0, side / 2.0), radius, radius);
    return pixmap;
}

} // namespace

ProgressChart::ProgressChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProgressChart::setSummary(const ProgressSummary* summary) {
    m_summary = summary;
    update();
}

void ProgressChart::setFactor(qreal factor) {
    m_factor = factor;
    update();
}

void ProgressChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(res::Navy));
    painter.setPen(Qt::white);
    const QFontMetricsF metrics(font());
    const auto length = [this](qreal design) { return design * m_factor; };
    const qreal pad = length(8);

    if (!m_summary || m_summary->days.empty()) {
        painter.drawText(rect(), Qt::AlignCenter, QCoreApplication::translate(Context, NoGames));
        return;
    }
    const ProgressSummary& summary = *m_summary;
    const qreal markerRadius = length(3);
    const qreal lineWidth = length(2);

    // The legend, along the top.
    painter.setRenderHint(QPainter::Antialiasing);
    const QPixmap marker = markerPixmap(markerRadius, devicePixelRatioF());
    const QSizeF markerSize = marker.deviceIndependentSize();
    const qreal legendMiddle = pad + metrics.height() / 2;
    qreal x = pad;
    painter.drawPixmap(QPointF(x, legendMiddle - markerSize.height() / 2), marker);
    x += markerSize.width() + length(4);
    const QString gameLegend = QCoreApplication::translate(Context, GameLegend);
    painter.drawText(QPointF(x, pad + metrics.ascent()), gameLegend);
    x += metrics.horizontalAdvance(gameLegend) + length(16);
    painter.setPen(QPen(ScoreRed, lineWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(x, legendMiddle), QPointF(x + length(16), legendMiddle));
    x += length(20);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(x, pad + metrics.ascent()),
                     QCoreApplication::translate(Context, DayLegend));

    // The plot: parade lengths up the left, days along the bottom.
    const int top = std::max(summary.mostLongest, 1);
    const qreal numberWidth = metrics.horizontalAdvance(QString::number(top));
    const QRectF plot(QPointF(pad + numberWidth + length(6), pad + metrics.height() + length(12)),
                      QPointF(width() - length(12), height() - pad - metrics.height() - length(4)));
    if (plot.width() < 1 || plot.height() < 1)
        return;
    // Half a step of room above the longest, so that its markers stand clear of the edge.
    const qreal perLength = plot.height() / (top + 0.5);
    const auto yOf = [&](qint64 parade) { return plot.bottom() - parade * perLength; };
    const QDate firstDay = summary.days.front().day;
    const qint64 dayCount = firstDay.daysTo(summary.days.back().day) + 1;
    const qreal perDay = plot.width() / qreal(dayCount);
    const auto leftOf = [&](const QDate& day) {
        return plot.left() + firstDay.daysTo(day) * perDay;
    };

    // Lengths: every whole number, or every 2nd, 5th, 10th... when the lines would crowd. A
    // damaged record's absurd length still gives a handful of lines.
    qint64 lengthStep = 1;
    const qreal lineSpacing = metrics.height() * 1.2;
    for (qint64 magnitude = 1; lengthStep * perLength < lineSpacing; magnitude *= 10) {
        for (const qint64 multiple : {1, 2, 5}) {
            lengthStep = multiple * magnitude;
            if (lengthStep * perLength >= lineSpacing)
                break;
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (qint64 parade = lengthStep; parade <= top; parade += lengthStep) {
        const qreal y = std::round(yOf(parade));
        painter.setPen(GridWhite);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::white);
        const QRectF label(0, y - metrics.height() / 2, plot.left() - length(5), metrics.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, QString::number(parade));
    }
    painter.setPen(QPen(Qt::white, std::max<qreal>(1, std::round(length(1)))));
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());

    // Dates: every day when there is room for them, else every few days, months or years.
    const qreal gap = length(14);
    Spacing spacing = Spacing::Years;
    int dateStep = 100;
    const auto fits = [&](Spacing kind, qreal shortestDays) {
        const QString widest = dateLabel(QDate(2000, 12, 28), kind);
        return shortestDays * perDay >= metrics.horizontalAdvance(widest) + gap;
    };
    bool chosen = false;
    for (int step : {1, 2, 3, 7, 14}) {
        if (!chosen && fits(Spacing::Days, step)) {
            spacing = Spacing::Days;
            dateStep = step;
            chosen = true;
        }
    }
    for (int step : {1, 2, 3, 6}) {
        if (!chosen && fits(Spacing::Months, 28 * step)) {
            spacing = Spacing::Months;
            dateStep = step;
            chosen = true;
        }
    }
    for (int step : {1, 2, 5, 10, 20, 50, 100}) {
        if (!chosen && fits(Spacing::Years, 365 * step)) {
            dateStep = step;
            chosen = true;
        }
    }
    std::vector<QDate> ticks;
    const QDate lastDay = summary.days.back().day;
    if (spacing == Spacing::Days) {
        for (qint64 i = 0; i < dayCount; i += dateStep)
            ticks.push_back(firstDay.addDays(i));
    } else if (spacing == Spacing::Months) {
        QDate month(firstDay.year(), firstDay.month(), 1);
        for (month = month < firstDay ? month.addMonths(1) : month; month <= lastDay;
             month = month.addMonths(1)) {
            if ((month.month() - 1) % dateStep == 0)
                ticks.push_back(month);
        }
    } else {
        for (int year = firstDay.year() + (firstDay.dayOfYear() > 1 ? 1 : 0);
             year <= lastDay.year(); ++year) {
            if (year % dateStep == 0)
                ticks.push_back(QDate(year, 1, 1));
        }
    }
    // A span without a month's or a year's first day still says when it was.
    if (ticks.empty()) {
        ticks.push_back(firstDay);
        spacing = Spacing::Days;
    }
    const qreal tickLength = length(4);
    qreal freeFrom = 0;
    for (const QDate& day : ticks) {
        // A day's games stand in the middle of its column; a month or year begins at its edge.
        const qreal tickX = std::round(leftOf(day) + (spacing == Spacing::Days ? perDay / 2 : 0));
        painter.drawLine(QPointF(tickX, plot.bottom()), QPointF(tickX, plot.bottom() + tickLength));
        const QString label = dateLabel(day, spacing);
        const qreal labelWidth = metrics.horizontalAdvance(label);
        const qreal labelLeft =
            std::clamp(tickX - labelWidth / 2, freeFrom, qreal(width()) - labelWidth - length(2));
        if (labelLeft < freeFrom)
            continue;
        painter.drawText(QPointF(labelLeft, plot.bottom() + tickLength + metrics.ascent()), label);
        freeFrom = labelLeft + labelWidth + gap / 2;
    }

    // Every game's marker. Markers that would fall on the same pixel are stamped once: with years
    // of games the days are narrower than a marker, and what shows is the same.
    painter.setRenderHint(QPainter::Antialiasing);
    const int columns = int(std::ceil(plot.width())) + 1;
    const int rows = int(std::ceil(plot.height())) + 1;
    std::vector<bool> stamped(std::size_t(columns) * std::size_t(rows));
    // A day's games spread across the middle of its column, as far as it and the markers allow.
    const qreal spreadLimit = perDay * 0.8;
    for (const DayGames& day : summary.days) {
        const qreal middle = leftOf(day.day) + perDay / 2;
        const qreal spread =
            day.count > 1 ? std::min(spreadLimit, (day.count - 1) * markerRadius * 2.5) : 0;
        for (int i = 0; i < day.count; ++i) {
            const qreal gx =
                day.count > 1 ? middle - spread / 2 + spread * i / (day.count - 1) : middle;
            const qreal gy = yOf(summary.longest[std::size_t(day.first + i)]);
            const int column = std::clamp(int(std::lround(gx - plot.left())), 0, columns - 1);
            const int row = std::clamp(int(std::lround(gy - plot.top())), 0, rows - 1);
            auto seen = stamped[std::size_t(row) * std::size_t(columns) + std::size_t(column)];
            if (seen)
                continue;
            seen = true;
            painter.drawPixmap(QPointF(gx - markerSize.width() / 2, gy - markerSize.height() / 2),
                               marker);
        }
    }
    // The line through each day's best, over the markers. Drawn a segment at a time: a single
    // line through years of days, zigzagging within each pixel, is many times slower to stroke.
    std::vector<QLineF> segments;
    segments.reserve(summary.days.size());
    QPointF previous;
    for (const DayGames& day : summary.days) {
        const QPointF best(leftOf(day.day) + perDay / 2, yOf(day.best));
        if (&day != &summary.days.front())
            segments.emplace_back(previous, best);
        previous = best;
    }
    // Round ends join the segments smoothly; with many of them, square ends look the same and
    // stroke several times faster.
    const Qt::PenCapStyle ends = segments.size() <= 300 ? Qt::RoundCap : Qt::SquareCap;
    painter.setPen(QPen(ScoreRed, lineWidth, Qt::SolidLine, ends));
    if (segments.empty())
        painter.drawPoint(previous);
    else
        painter.drawLines(segments.data(), int(segments.size()));
}

} // namespace wimbly
