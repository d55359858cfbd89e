#include <gtest/gtest.h>

#include <vector>

#include "app/NotificationPolicy.h"

namespace ventiq {
namespace {

using Kind = NotificationPolicy::Kind;

// One engine update: seconds since the start, the two conditions, whether
// the user wants notifications, and what should be shown.
struct Step {
    double at;
    bool protection;
    bool failed;
    bool showing;
    std::vector<Kind> expected;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
};

TEST(NotificationPolicy, ShowsEachChangeAtMostOncePerConditionInFiveMinutes) {
    const std::vector<Case> cases = {
        {"protection starts and ends once",
         {{0, false, false, true, {}},
          {2, true, false, true, {Kind::overheatStarted}},
          {4, true, false, true, {}},
          {60, false, false, true, {Kind::overheatEnded}}}},
        {"hovering at the threshold shows the start and the end once each",
         {{0, true, false, true, {Kind::overheatStarted}},
          {10, false, false, true, {Kind::overheatEnded}},
          {20, true, false, true, {}},
          {30, false, false, true, {}},
          {299, true, false, true, {}}}},
        {"five minutes after the last one a start shows again",
         {{0, true, false, true, {Kind::overheatStarted}},
          {100, false, false, true, {Kind::overheatEnded}},
          {300, true, false, true, {Kind::overheatStarted}}}},
        {"failure shows when control becomes failed, not while it stays failed",
         {{0, false, true, true, {Kind::controlFailed}},
          {2, false, true, true, {}},
          {4, false, false, true, {}},
          {6, false, true, true, {}},
          {400, false, false, true, {}},
          {402, false, true, true, {Kind::controlFailed}}}},
        {"overheat and failure in one update show both",
         {{0, true, true, true, {Kind::overheatStarted, Kind::controlFailed}}}},
        {"turned off: nothing, and turning it on later shows no stale start",
         {{0, true, false, false, {}},
          {2, true, false, true, {}},
          {4, false, false, true, {Kind::overheatEnded}}}},
        {"a change while off does not count against the five minutes",
         {{0, true, false, false, {}}, {2, false, false, true, {Kind::overheatEnded}},
          {4, true, false, true, {Kind::overheatStarted}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NotificationPolicy policy;
        const TimePoint start{};
        for (const Step& s : c.steps) {
            SCOPED_TRACE(s.at);
            EXPECT_EQ(policy.update(s.protection, s.failed, start + seconds(s.at), s.showing), s.expected);
        }
    }
}

}  // namespace
}  // namespace ventiq
