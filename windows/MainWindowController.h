#pragma once
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

#include "windows/MainWindowContext.h"

class QPropertyAnimation;
class QWidget;

namespace ventiq {

class MainContentView;

// The main window: sized to its content within the screen, refitted when an
// optional card appears or disappears unless the user has resized it, and
// running the live sensor list only while it can be seen.
class MainWindowController : public QObject {
public:
    static constexpr int leftColumnWidth = 520;
    static constexpr int rightColumnWidth = 400;
    static constexpr int minWindowWidth = 880;
    static constexpr int minWindowHeight = 520;
    static constexpr int defaultWindowWidth = 921;

    explicit MainWindowController(const MainWindowContext& context);
    ~MainWindowController() override;

    // The application's window; show() uses the context given here.
    static void setContext(const MainWindowContext& context);
    static MainWindowController* shared();
    // Brings the window forward, creating it on first use, and starts the
    // live sensor list.
    static void show();
    // After a language change: a new window with new texts (and a new Cancel
    // baseline), shown again only if the old one was visible.
    static void rebuildIfOpen();

    // The tallest the window may be on a screen of this visible height.
    static double maxContentHeight(std::optional<double> screenVisibleHeight);
    static double fittedHeight(double desired, std::optional<double> screenVisibleHeight);

    void refit(bool animated, bool force);
    QWidget* window() const { return window_.get(); }
    MainContentView* content() const { return content_; }
    double lastAutoHeight() const { return lastAutoHeight_; }
    bool isAnimating() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<double> screenHeight() const;
    void watchWindowHandle();

    MainWindowContext context_;
    std::unique_ptr<QWidget> window_;
    MainContentView* content_;
    double lastAutoHeight_ = 0;
    QPointer<QPropertyAnimation> animation_;
    bool watchingHandle_ = false;
};

}  // namespace ventiq
