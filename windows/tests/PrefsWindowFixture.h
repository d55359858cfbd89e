#pragma once
// The settings window over the real engine on a fake two-fan machine in
// virtual time, on the offscreen platform, with the login item in a
// temporary configuration folder and the application's rebuild on language
// and text-size changes played by the fixture.
#include <QApplication>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>

#include "engine/tests/EngineFixture.h"
#include "platform/LoginItem.h"
#include "settings/UIScale.h"
#include "windows/PreferencesWindowController.h"

namespace ventiq {

class PrefsWindowTest : public EngineTest {
protected:
    void SetUp() override;
    void TearDown() override;

    PreferencesWindowController& make();
    // Sets the text size and refits the window's factor on a screen tall
    // enough for it.
    void setScale(int percent);
    // Lets posted notifications and the engine's deferred pass run.
    void settleAll();

    // The height the page asks for at the window's width.
    int pageHeight() const {
        QWidget* page = window->page();
        const int width = static_cast<int>(window->contentWidth());
        return page->hasHeightForWidth() ? page->heightForWidth(width) : page->sizeHint().height();
    }

    template <typename T>
    std::vector<T*> pageChildren() const {
        if (!window->page()) return {};
        const auto found = window->page()->template findChildren<T*>();
        return std::vector<T*>(found.begin(), found.end());
    }
    template <typename T>
    T* find(const std::function<bool(T*)>& match) const {
        for (T* w : window->page()->template findChildren<T*>())
            if (match(w)) return w;
        return nullptr;
    }

    struct Alert {
        std::string title;
        std::string message;
        bool operator==(const Alert&) const = default;
    };

    QTemporaryDir configHome;
    std::unique_ptr<LoginItem> loginItem;
    PreferencesWindowContext context;
    std::unique_ptr<PreferencesWindowController> window;
    std::vector<Alert> alerts;
    std::optional<double> screenHeight = 2000;
    int rebuilds = 0;
    int languageChanges = 0;
    ObserverToken languageToken, scaleToken;
};

}  // namespace ventiq
