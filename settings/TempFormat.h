#pragma once
#include <string>

namespace ventiq {

class PreferenceStore;

// Temperatures are kept in degrees Celsius and converted only for display.
namespace TempFormat {

double converted(double celsius, bool fahrenheit);
// Whole degrees, exact halves to the even neighbour, then "°C" or "°F" with no space.
std::string string(double celsius, bool fahrenheit);
// The unit as stored at the moment of the call in the store installed with
// setStore(); Celsius, the unit's default, while none is installed.
std::string string(double celsius);
// The store string(celsius) follows. The application installs its own, and a
// test its own; not owned, nullptr uninstalls.
void setStore(PreferenceStore* store);

}  // namespace TempFormat
}  // namespace ventiq
