#pragma once
#include "viewkit/Rgba.h"

namespace ventiq {

// The colours of every window, the panel and the menu-bar image. The dark
// look comes from here alone, never from the desktop theme.
namespace Palette {

inline constexpr Rgba windowBg{28, 28, 34};
inline constexpr Rgba cardBg{38, 38, 46};
inline constexpr Rgba segmentBg{46, 46, 56};
inline constexpr Rgba segSelected{90, 90, 102};
inline constexpr Rgba text{242, 242, 247};
inline constexpr Rgba secondary{161, 161, 170};
inline constexpr Rgba accent{47, 111, 224};
inline constexpr Rgba accentText{111, 168, 255};
inline constexpr Rgba tempBlue{95, 168, 255};
inline constexpr Rgba green{52, 199, 89};
inline constexpr Rgba gradStart{111, 176, 245};
inline constexpr Rgba gradEnd{36, 54, 194};
inline constexpr Rgba line{255, 255, 255, 0.08};
inline constexpr Rgba border{255, 255, 255, 0.12};

}  // namespace Palette
}  // namespace ventiq
