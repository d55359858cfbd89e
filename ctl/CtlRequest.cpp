#include "ctl/CtlRequest.h"

#include <charconv>

namespace ventiq::ctl {
namespace {

int side(const std::string& word) { return word == "left" ? 0 : word == "right" ? 1 : -1; }

bool oneOf(const std::string& word, std::initializer_list<const char*> allowed) {
    for (const char* a : allowed)
        if (word == a) return true;
    return false;
}

CtlRequest call(std::string method, std::vector<std::variant<int, bool, std::string>> arguments = {}) {
    CtlRequest r;
    r.kind = CtlRequest::Kind::call;
    r.method = std::move(method);
    r.arguments = std::move(arguments);
    return r;
}

}  // namespace

const char* CtlRequest::usage() {
    return "usage: ventiqctl COMMAND\n"
           "  status [--json]                        fans, temperatures and the control state\n"
           "  watch [--json]                         the same, one line per change, until the application ends\n"
           "  preset auto|custom|full                choose a preset\n"
           "  rpm left|right N                       hold a fan at N rpm (switches to Custom)\n"
           "  mode left|right auto|constant|sensor   what a fan does under Custom\n"
           "  on | off                               turn fan control on or off\n"
           "  retry                                  send the fan settings again\n"
           "exit status: 0 done, 1 refused, 2 usage, 3 not running\n";
}

std::variant<CtlRequest, std::string> CtlRequest::parse(const std::vector<std::string>& w) {
    if (w.empty()) return std::string("no command");
    const std::string& verb = w[0];
    if (verb == "status" || verb == "watch") {
        CtlRequest r;
        r.kind = verb == "status" ? Kind::status : Kind::watch;
        if (w.size() == 2 && w[1] == "--json")
            r.json = true;
        else if (w.size() != 1)
            return "usage: ventiqctl " + verb + " [--json]";
        return r;
    }
    if (verb == "preset") {
        if (w.size() != 2 || !oneOf(w[1], {"auto", "custom", "full"}))
            return std::string("usage: ventiqctl preset auto|custom|full");
        return call("SetPreset", {w[1]});
    }
    if (verb == "rpm") {
        int rpm = 0;
        bool number = false;
        if (w.size() == 3) {
            const char* end = w[2].data() + w[2].size();
            auto [ptr, ec] = std::from_chars(w[2].data(), end, rpm);
            number = ec == std::errc() && ptr == end;
        }
        if (w.size() != 3 || side(w[1]) < 0 || !number) return std::string("usage: ventiqctl rpm left|right N");
        return call("SetFanRpm", {side(w[1]), rpm});
    }
    if (verb == "mode") {
        if (w.size() != 3 || side(w[1]) < 0 || !oneOf(w[2], {"auto", "constant", "sensor"}))
            return std::string("usage: ventiqctl mode left|right auto|constant|sensor");
        return call("SetFanMode", {side(w[1]), w[2]});
    }
    if (verb == "on" || verb == "off" || verb == "retry") {
        if (w.size() != 1) return verb + " takes no argument";
        if (verb == "retry") return call("RetryApply");
        return call("SetControlOn", {verb == "on"});
    }
    return "unknown command \"" + verb + "\"";
}

}  // namespace ventiq::ctl
