#include "windows/BundleInfo.h"

namespace ventiq {

BundleInfo BundleInfo::current() {
    return BundleInfo{VENTIQ_SHORT_VERSION, VENTIQ_BUILD_NUMBER, VENTIQ_RIGHTS_NOTICE};
}

}  // namespace ventiq
