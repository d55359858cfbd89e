#include "settings/TempFormat.h"

#include <atomic>
#include <cstdio>

#include "settings/VentiqPrefs.h"

namespace ventiq::TempFormat {
namespace {

std::atomic<PreferenceStore*> installedStore{nullptr};

}  // namespace

double converted(double celsius, bool fahrenheit) { return fahrenheit ? celsius * 9.0 / 5.0 + 32.0 : celsius; }

std::string string(double celsius, bool fahrenheit) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", converted(celsius, fahrenheit));
    std::string s = buf;
    // printf keeps the sign of values that round to zero from below; "-0°C"
    // is not a temperature anyone should read.
    if (s == "-0") s = "0";
    return s + (fahrenheit ? "°F" : "°C");
}

std::string string(double celsius) {
    PreferenceStore* store = installedStore.load();
    return string(celsius, store && VentiqPrefs(*store).useFahrenheit());
}

void setStore(PreferenceStore* store) { installedStore.store(store); }

}  // namespace ventiq::TempFormat
