#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include <QLabel>

#include "platform/NotificationCenter.h"
#include "windows/MenuBarPreviewView.h"
#include "windows/PreferencesWindowContext.h"
#include "windows/controls/FontSampleView.h"
#include "windows/controls/ScaleSliderView.h"
#include "windows/controls/ScaledActionButton.h"
#include "windows/controls/ScaledPopUp.h"
#include "windows/controls/ScaledToggle.h"

class QWidget;

namespace ventiq {

class PrefTabButton;
class VentiqPrefs;

// The settings window: a row of four tabs over one page. Only the selected
// page exists; every length goes through the window's scale factor, and the
// whole tree is rebuilt when the language or the text size changes. Every
// control writes its setting at once; there is no OK button.
class PreferencesWindowController : public QObject {
public:
    static constexpr int pageCount = 4;

    explicit PreferencesWindowController(const PreferencesWindowContext& context);
    ~PreferencesWindowController() override;

    // The application's window: show() creates it on first use with this context.
    static void setContext(const PreferencesWindowContext& context);
    static PreferencesWindowController* shared();
    // Brings the window forward, creating it first if needed, on the given
    // tab or the one it was on.
    static void show(std::optional<int> tab = std::nullopt);
    // Rebuilds the window when it exists, also while it is closed.
    static void rebuildIfOpen();

    // The tab bar's height: 52 and 4 scaled, plus 32 that are not, so the
    // tabs clear the title-bar buttons of a window drawn under its title bar.
    static double barHeight();

    void buildUI();
    void selectTab(int position);
    void refreshLive();

    QWidget* window() const { return window_.get(); }
    int currentTab() const { return currentTab_; }
    double contentWidth() const { return contentWidth_; }
    const std::vector<PrefTabButton*>& tabButtons() const { return tabButtons_; }
    QWidget* contentArea() const { return contentArea_; }
    QWidget* tabBar() const { return tabBar_; }
    // The page on screen.
    QWidget* page() const;

    // The live controls of the current page; null when the page has none.
    QLabel* helperStatusLabel() const { return helperStatusLabel_; }
    ScaledActionButton* helperButton() const { return helperButton_; }
    ScaleSliderView* fontSlider() const { return fontSlider_; }
    QLabel* fontPercentLabel() const { return fontPercentLabel_; }
    QLabel* fontNoteLabel() const { return fontNoteLabel_; }
    FontSampleView* fontSampleView() const { return fontSampleView_; }
    MenuBarPreviewView* previewView() const { return previewView_; }
    QLabel* mySettingsValueLabel() const { return mySettingsValueLabel_; }
    ScaledToggle* timeoutCheck() const { return timeoutCheck_; }
    ScaledPopUp* timeoutPopUp() const { return timeoutPopUp_; }

    // The text under the text-size slider for a percentage.
    static QString fontNoteText(int percent);
    void fontSliderMoved(int percent);

    // The pages, each a new widget.
    QWidget* makeGeneralPage();
    QWidget* makeMenuBarPage();
    QWidget* makePresetPage();
    QWidget* makeAboutPage();

private:
    QWidget* makePage(int id);
    void fitWindow(double pageHeight);
    std::optional<double> screenHeight() const;
    void clearLiveReferences();
    void updateTimeoutTitle();
    void postDataUpdated();
    void alert(const std::string& title, const std::string& message) const;
    VentiqPrefs prefs() const;

    // Actions.
    void loginItemToggled(ScaledControlBase& sender);
    void languageChanged(ScaledControlBase& sender);
    void unitChanged(ScaledControlBase& sender);
    void refreshChanged(ScaledControlBase& sender);
    void notificationsToggled(ScaledControlBase& sender);
    void quitChanged(ScaledControlBase& sender);
    void helperButtonClicked();
    void fontResetClicked();
    void fontSliderCommitted(int percent);
    void menuStyleChanged(ScaledControlBase& sender);
    void menuColorChanged(ScaledControlBase& sender);
    void menuShowTempToggled(ScaledControlBase& sender);
    void menuTempSourceChanged(ScaledControlBase& sender);
    void updateCurrentClicked();
    void timeoutToggled(ScaledControlBase& sender);
    void timeoutMinutesChanged(ScaledControlBase& sender);

    PreferencesWindowContext context_;
    std::unique_ptr<QWidget> window_;
    QWidget* tabBar_ = nullptr;
    QWidget* contentArea_ = nullptr;
    std::vector<PrefTabButton*> tabButtons_;
    int currentTab_ = 0;
    double contentWidth_ = 640;
    bool centred_ = false;
    ObserverToken dataObserver_;

    QPointer<QLabel> helperStatusLabel_;
    QPointer<ScaledActionButton> helperButton_;
    QPointer<ScaleSliderView> fontSlider_;
    QPointer<QLabel> fontPercentLabel_;
    QPointer<QLabel> fontNoteLabel_;
    QPointer<FontSampleView> fontSampleView_;
    QPointer<MenuBarPreviewView> previewView_;
    QPointer<QLabel> mySettingsValueLabel_;
    QPointer<ScaledToggle> timeoutCheck_;
    QPointer<ScaledPopUp> timeoutPopUp_;
};

}  // namespace ventiq
