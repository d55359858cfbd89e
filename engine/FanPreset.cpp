#include "engine/FanPreset.h"

#include "settings/L10n.h"

namespace ventiq {

std::string FanPreset::title() const { return L10n::tr(titleKey()); }

}  // namespace ventiq
