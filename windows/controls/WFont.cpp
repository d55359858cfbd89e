#include "windows/controls/WFont.h"

#include "settings/SettingsStyle.h"
#include "viewkit/Fonts.h"

namespace ventiq {

QFont wfont(double size, QFont::Weight weight, bool mono) { return systemFont(wz(size), weight, mono); }

}  // namespace ventiq
