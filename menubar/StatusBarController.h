#pragma once
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>

#include "platform/MainLoop.h"
#include "platform/NotificationCenter.h"

class QSystemTrayIcon;
class QWidget;

namespace ventiq {

class DropdownMenuPanel;
class FanController;

// Owns the tray item and the panel it opens. The item shows the menu-bar
// image with both fan speeds (its tooltip repeats them, as trays are mostly
// square); a click toggles the panel, a frameless popup placed under the
// item that closes on any click outside. Without a tray after a grace
// period the panel becomes a small ordinary window, so the program never
// runs invisible.
class StatusBarController final : public QObject {
public:
    struct Callbacks {
        std::function<void()> openMainWindow;
        std::function<void()> openPreferences;
        std::function<void()> quit;
    };
    struct Options {
        // How long to wait for a tray host before the window fallback.
        double trayWaitSeconds = 10;
        double trayPollSeconds = 0.5;
        // Where the item is on screen; by default what the tray reports.
        std::function<QRect()> itemGeometry;
    };

    StatusBarController(FanController& ctrl, MainLoop& loop, NotificationCenter& notifications, Callbacks callbacks,
                        Options options);
    StatusBarController(FanController& ctrl, MainLoop& loop, NotificationCenter& notifications, Callbacks callbacks);
    ~StatusBarController() override;

    void togglePopover();
    void showPopover();
    void closePopover();
    // After a language or scale change: a new panel at the current scale.
    void rebuildPanel();
    // For other ways in (the session bus): shows the panel wherever it lives.
    void showPanel();
    void refreshDisplay();
    // The tray's activation: toggles, unless the press that caused it
    // already closed the popup.
    void itemActivated();

    bool isShown() const;
    bool isWindowFallback() const { return windowFallback_; }
    DropdownMenuPanel* menuPanel() const { return menuPanel_; }
    // The popup, or the fallback window, that hosts the panel.
    QWidget* popover() const;
    QSystemTrayIcon* statusItem() const { return statusItem_.get(); }
    const QImage& currentImage() const { return image_; }
    QString toolTip() const { return toolTip_; }
    // How often the panel was made: at start and on every rebuild.
    int panelBuilds() const { return panelBuilds_; }

    // Under the item (above it when the item is in the lower half of the
    // screen), else under the pointer, else the top-right corner; always
    // inside the available area.
    static QPoint popoverPosition(const QRect& item, const QSize& size, const QRect& available,
                                  std::optional<QPoint> pointer);

private:
    class Popup;
    friend class Popup;

    void setupPopover();
    void applyPopoverSize();
    void dataUpdated();
    void popoverDidClose();
    void pressedOutside(const QPoint& globalPos);
    void pollForTray();
    void createTrayItem();
    void becomeWindow();
    QRect itemRect() const;
    std::optional<double> screenHeight() const;

    FanController& ctrl_;
    MainLoop& loop_;
    NotificationCenter& notifications_;
    Callbacks callbacks_;
    Options options_;
    std::unique_ptr<QSystemTrayIcon> statusItem_;
    std::unique_ptr<QWidget> popover_;
    DropdownMenuPanel* menuPanel_ = nullptr;
    ObserverToken dataObserver_;
    TimerHandle trayPoll_;
    TimePoint trayWaitStart_{};
    bool windowFallback_ = false;
    // A press on the item itself closed the popup; the activation that
    // follows it must not open it again.
    bool swallowNextActivation_ = false;
    bool showingFromActivation_ = false;
    QImage image_;
    QString toolTip_;
    int panelBuilds_ = 0;
    std::shared_ptr<StatusBarController*> self_;
};

}  // namespace ventiq
