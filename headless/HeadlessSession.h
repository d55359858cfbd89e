#pragma once
#include <memory>
#include <string>

#include "app/AppSurfaces.h"
#include "platform/CoalescedTask.h"
#include "platform/NotificationCenter.h"

namespace ventiq {

class FanController;
class MainLoop;
struct HeadlessCommand;

// The application without views: prints the state line whenever the engine
// publishes new data (every tick and after every change) and takes commands
// from standard input, one per line. Errors go to standard error, so standard
// output stays a clean stream of state lines.
class HeadlessSession final : public AppSurfaces {
public:
    HeadlessSession(FanController& engine, MainLoop& loop, NotificationCenter& notifications, bool json);
    ~HeadlessSession() override;

    // The state line is worded in the interface language, so a language
    // change shows at once.
    void rebuildPanel() override { printState(); }
    void rebuildMainWindowIfOpen() override {}
    void rebuildSettingsWindowIfOpen() override {}
    void showPanel() override {}
    void showMainWindow() override {}
    void showSettings() override {}

    // Runs one command line; returns false and reports when it is not a command.
    bool execute(const std::string& line);

private:
    void printState();
    void apply(const HeadlessCommand& command);
    void startReader();

    FanController& engine_;
    MainLoop& loop_;
    bool json_;
    // A tick, a request completion and a helper status change can all land in
    // one turn of the loop; they become one line.
    CoalescedTask stateWork_{loop_, [this] { printState(); }};
    ObserverToken dataObserver_;
    // Posted tasks reach the session only while this lives.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace ventiq
