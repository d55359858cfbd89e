#pragma once
#include <string>
#include <variant>
#include <vector>

namespace ventiq::ctl {

// What the command line asks for. A call is a method of the interface with
// its arguments already checked against the words ventiqctl accepts.
struct CtlRequest {
    enum class Kind { status, watch, call };

    Kind kind = Kind::status;
    bool json = false;
    // call
    std::string method;
    // Each argument is an int, a bool or a text, in the method's order.
    std::vector<std::variant<int, bool, std::string>> arguments;

    // The request, or the one-line reason the words are not one.
    static std::variant<CtlRequest, std::string> parse(const std::vector<std::string>& words);
    static const char* usage();
};

}  // namespace ventiq::ctl
