#pragma once
#include <QColor>

#include "viewkit/Rgba.h"

namespace ventiq {

inline QColor qcolor(const Rgba& c) {
    QColor q(c.r, c.g, c.b);
    q.setAlphaF(static_cast<float>(c.a));
    return q;
}

}  // namespace ventiq
