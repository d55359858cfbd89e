#pragma once
#include <string>

namespace ventiq {

// Temperatures are kept in degrees Celsius and converted only for display.
namespace TempFormat {

double converted(double celsius, bool fahrenheit);
// Whole degrees, exact halves to the even neighbour, then "°C" or "°F" with no space.
std::string string(double celsius, bool fahrenheit);
// The unit as stored in the standard store at the moment of the call.
std::string string(double celsius);

}  // namespace TempFormat
}  // namespace ventiq
