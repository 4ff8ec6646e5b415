#include "viewscale.h"

namespace wimbly {

QFont ViewScale::font(const QFont& design) const {
    if (m_factor == 1)
        return design;
    QFont scaled = design;
    if (design.pointSizeF() > 0)
        scaled.setPointSizeF(design.pointSizeF() * m_factor);
    else if (design.pixelSize() > 0)
        scaled.setPixelSize(qMax(1, length(design.pixelSize())));
    return scaled;
}

} // namespace wimbly
