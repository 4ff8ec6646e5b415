#pragma once

#include <QtGlobal>

namespace wimbly {

namespace zoom {

// The smallest and largest factors the view takes.
inline constexpr qreal Min = 0.5;
inline constexpr qreal Max = 4;

// `factor` within [Min, Max]; a value that is not a number gives 1.
qreal clamped(qreal factor);
// The first step above `factor`, or `factor` itself when none is; the steps run 1, 1.25, 1.5,
// 1.75, 2, 2.5, 3, 4.
qreal stepIn(qreal factor);
// The last step below `factor`, never below 1; `factor` itself when none is.
qreal stepOut(qreal factor);

} // namespace zoom

} // namespace wimbly
