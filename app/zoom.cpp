#include "zoom.h"

#include <array>
#include <cmath>

namespace wimbly {

namespace zoom {

namespace {

constexpr std::array Steps{1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0};

} // namespace

qreal clamped(qreal factor) {
    if (std::isnan(factor))
        return 1;
    return qBound(Min, factor, Max);
}

qreal stepIn(qreal factor) {
    for (qreal step : Steps) {
        if (step > factor)
            return step;
    }
    return factor;
}

qreal stepOut(qreal factor) {
    for (auto step = Steps.rbegin(); step != Steps.rend(); ++step) {
        if (*step < factor)
            return *step;
    }
    return factor;
}

} // namespace zoom

} // namespace wimbly
