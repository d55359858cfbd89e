#pragma once
#include <string>

namespace ventiq {

// A modal message box with one "OK" button, shown on the main thread with the
// application brought to the front. Callable from any thread; returns at
// once. Without a graphical session the alert goes to standard error.
void showAlert(const std::string& title, const std::string& message);

}  // namespace ventiq
