// The settings window's frame: tab bar, page sizes, fitting, tab selection,
// rebuilding on language changes, the About page, and renders of every tab.
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QTemporaryDir>

#include "settings/AppLanguage.h"
#include "settings/L10n.h"
#include "settings/PrefKeys.h"
#include "windows/controls/ScaleSliderView.h"

#include "settings/SettingsStyle.h"
#include "windows/PrefTabButton.h"
#include "windows/controls/ScaledPopUp.h"
#include "windows/controls/ScaledToggle.h"
#include "windows/tests/PrefsWindowFixture.h"

namespace ventiq {
namespace {

using Controller = PreferencesWindowController;

class PreferencesWindowTest : public PrefsWindowTest {};

TEST_F(PreferencesWindowTest, TabBarAndTabsFollowTheScaleButThe32PointsDoNot) {
    struct Case {
        const char* name;
        int percent;
        int bar;
        int buttonHeight;
        int minButtonWidth;
    };
    const Case cases[] = {{"100 %", 100, 88, 52, 80}, {"125 %", 125, 102, 65, 100}, {"150 %", 150, 116, 78, 120}};
    for (const Case& c : cases) {
        setScale(c.percent);
        Controller& w = make();
        w.window()->show();
        QApplication::processEvents();
        EXPECT_EQ(Controller::barHeight(), c.bar) << c.name;
        EXPECT_EQ(w.tabBar()->height(), c.bar) << c.name;
        ASSERT_EQ(w.tabButtons().size(), 4u);
        for (PrefTabButton* b : w.tabButtons()) {
            EXPECT_EQ(b->sizeHint().height(), c.buttonHeight) << c.name;
            EXPECT_GE(b->sizeHint().width(), c.minButtonWidth) << c.name;
            EXPECT_EQ(b->mapTo(w.tabBar(), QPoint(0, 0)).y(), 32) << c.name;
        }
    }
}

TEST_F(PreferencesWindowTest, NewWindowIs640WideAndFittedToTheGeneralPage) {
    setScale(100);
    Controller& w = make();
    // 640 unless a page needs more; with this font the text-size row of the
    // General page is a little wider.
    double widest = 640;
    for (QWidget* page : {w.makeGeneralPage(), w.makeMenuBarPage(), w.makePresetPage(), w.makeAboutPage()}) {
        widest = std::max(widest, static_cast<double>(page->sizeHint().width()));
        delete page;
    }
    w.selectTab(0);
    EXPECT_EQ(w.contentWidth(), std::ceil(widest));
    EXPECT_LT(w.contentWidth(), 700);
    EXPECT_EQ(w.currentTab(), 0);
    EXPECT_EQ(w.window()->width(), w.contentWidth());
    ASSERT_NE(w.page(), nullptr);
    EXPECT_EQ(w.window()->height(), pageHeight() + 88);
    EXPECT_EQ(w.window()->windowTitle(), "Settings");

    // Title column 200, rows 28, notes 340.
    w.window()->show();
    QApplication::processEvents();
    const auto labels = pageChildren<QLabel>();
    const auto title = std::find_if(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "Startup"; });
    ASSERT_NE(title, labels.end());
    EXPECT_EQ((*title)->parentWidget()->size(), QSize(200, 28));
    const auto note = std::find_if(labels.begin(), labels.end(),
                                   [](QLabel* l) { return l->text() == "Shorter intervals use more power"; });
    ASSERT_NE(note, labels.end());
    EXPECT_EQ((*note)->width(), 340);
    for (ScaledPopUp* p : pageChildren<ScaledPopUp>()) EXPECT_EQ(p->height(), 28);
}

TEST_F(PreferencesWindowTest, SelectingATabKeepsTheTopLeftAndWidthAndClampsThePosition) {
    Controller& w = make();
    w.window()->move(120, 80);
    const int width = w.window()->width();
    struct Case {
        const char* name;
        int asked;
        int selected;
    };
    const Case cases[] = {{"about", 3, 3}, {"past the end", 7, 3}, {"negative", -1, 0}, {"menu bar", 1, 1}, {"presets", 2, 2}};
    for (const Case& c : cases) {
        w.selectTab(c.asked);
        EXPECT_EQ(w.currentTab(), c.selected) << c.name;
        EXPECT_EQ(w.window()->pos(), QPoint(120, 80)) << c.name;
        EXPECT_EQ(w.window()->width(), width) << c.name;
        EXPECT_EQ(w.window()->height(), pageHeight() + 88) << c.name;
        for (int k = 0; k < 4; ++k) EXPECT_EQ(w.tabButtons()[k]->isSelected(), k == c.selected) << c.name;
    }
}

TEST_F(PreferencesWindowTest, OnlyTheSelectedPageExistsWithItsLiveControls) {
    Controller& w = make();
    EXPECT_NE(w.helperButton(), nullptr);
    EXPECT_NE(w.fontSlider(), nullptr);
    EXPECT_EQ(w.previewView(), nullptr);
    w.selectTab(1);
    QApplication::processEvents();
    EXPECT_EQ(w.helperButton(), nullptr);
    EXPECT_EQ(w.fontSlider(), nullptr);
    EXPECT_NE(w.previewView(), nullptr);
    EXPECT_EQ(w.contentArea()->findChildren<ScaleSliderView*>().size(), 0u);
    w.selectTab(2);
    EXPECT_EQ(w.previewView(), nullptr);
    EXPECT_NE(w.timeoutCheck(), nullptr);
    EXPECT_NE(w.mySettingsValueLabel(), nullptr);
    w.selectTab(3);
    EXPECT_EQ(w.timeoutCheck(), nullptr);
}

TEST_F(PreferencesWindowTest, PopUpsShowTheStoredChoices) {
    struct Case {
        const char* name;
        std::optional<int> refresh;
        std::optional<std::string> language;
        QString refreshShown;
        QString languageShown;
    };
    const Case cases[] = {
        {"refresh 5", 5, "en", "5 s", "English"},
        {"refresh 3 reads as 2", 3, "en", "2 s", "English"},
        {"nothing stored", std::nullopt, std::nullopt, "2 s", "Follow system"},
        {"unsupported language", 10, "de", "10 s", "Follow system"},
    };
    for (const Case& c : cases) {
        if (c.refresh)
            store.setInteger(PrefKeys::refreshSeconds, *c.refresh);
        else
            store.remove(PrefKeys::refreshSeconds);
        if (c.language)
            store.setText(PrefKeys::selectedLanguage, *c.language);
        else
            store.remove(PrefKeys::selectedLanguage);
        environment.set("LANG", "en_US.UTF-8");
        Controller& w = make();
        const auto popUps = pageChildren<ScaledPopUp>();
        ASSERT_EQ(popUps.size(), 2u) << c.name;
        EXPECT_EQ(popUps[0]->titleOfSelectedItem(), c.languageShown) << c.name;
        EXPECT_EQ(popUps[1]->titleOfSelectedItem(), c.refreshShown) << c.name;
        EXPECT_EQ(popUps[0]->titles().size(), 7) << c.name;
        w.window()->close();
    }
}

TEST_F(PreferencesWindowTest, ChoosingALanguageStoresItAndRebuildsMirroredOnTheSameTab) {
    Controller& w = make();
    w.selectTab(0);
    ScaledPopUp* language = pageChildren<ScaledPopUp>().front();
    language->pick(6);  // العربية
    settleAll();
    EXPECT_EQ(store.text(PrefKeys::selectedLanguage), "ar");
    EXPECT_EQ(languageChanges, 1);
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(w.currentTab(), 0);
    EXPECT_EQ(w.page()->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w.tabButtons()[0]->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w.tabButtons()[0]->title(), QString::fromStdString(L10n::tr("prefTabGeneral")));
    // A rebuild takes the stored choice, so the new pop-up shows it.
    EXPECT_EQ(pageChildren<ScaledPopUp>().front()->indexOfSelectedItem(), 6);

    pageChildren<ScaledPopUp>().front()->pick(0);
    settleAll();
    EXPECT_EQ(store.text(PrefKeys::selectedLanguage), std::nullopt);
    EXPECT_EQ(w.page()->layoutDirection(), Qt::LeftToRight);
}

TEST_F(PreferencesWindowTest, WidthChangesOnlyOnARebuild) {
    Controller& w = make();
    const int width = w.window()->width();
    setScale(150);
    w.selectTab(1);
    EXPECT_EQ(w.window()->width(), width);
    w.buildUI();
    EXPECT_GE(w.contentWidth(), 960);
    EXPECT_EQ(w.window()->width(), w.contentWidth());
    EXPECT_EQ(w.currentTab(), 1);
    EXPECT_EQ(w.tabBar()->height(), 116);
}

TEST_F(PreferencesWindowTest, AboutPageShowsVersionBuildAndRightsWithQuestionMarksWhenMissing) {
    struct Case {
        const char* name;
        BundleInfo bundle;
        QString version;
        QString rights;
    };
    const Case cases[] = {
        {"complete", BundleInfo{"1.1.0", "42", "© Quillmoor"}, "Version 1.1.0 (42)", "© Quillmoor"},
        {"missing", BundleInfo{}, "Version ? (?)", ""},
    };
    for (const Case& c : cases) {
        context.bundle = c.bundle;
        Controller& w = make();
        w.selectTab(3);
        const auto labels = pageChildren<QLabel>();
        auto has = [&](const QString& text) {
            return std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->text() == text; });
        };
        EXPECT_TRUE(has("Tavrinel")) << c.name;
        EXPECT_TRUE(has(c.version)) << c.name;
        EXPECT_TRUE(has("Temperature monitoring and fan control")) << c.name;
        EXPECT_EQ(w.page()->findChild<QLabel*>("rightsNotice")->text(), c.rights) << c.name;
    }
}

TEST_F(PreferencesWindowTest, TabButtonsAreRadioButtonsForAccessibilityAndSelectOnPress) {
    Controller& w = make();
    PrefTabButton* about = w.tabButtons()[3];
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(about);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::RadioButton);
    EXPECT_EQ(a->text(QAccessible::Name), "About");
    EXPECT_EQ(a->text(QAccessible::Value), "0");
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(w.currentTab(), 3);
    EXPECT_EQ(a->text(QAccessible::Value), "1");
}

// The text size is capped by the screen on the assumption that the window is
// never taller than its base height at the chosen factor, so no page may
// outgrow it in any language.
TEST_F(PreferencesWindowTest, EveryPageFitsTheHeightTheScaleIsCappedFor) {
    for (const std::string_view language : AppLanguage::supported) {
        store.setText(PrefKeys::selectedLanguage, std::string(language));
        for (const int percent : {100, 125, 150}) {
            setScale(percent);
            Controller& w = make();
            const double limit = std::ceil(SettingsStyle::baseWindowHeight * UIScale::windowFactor());
            for (int tab = 0; tab < Controller::pageCount; ++tab) {
                w.selectTab(tab);
                EXPECT_LE(w.window()->height(), limit) << language << " " << percent << " % tab " << tab;
            }
        }
    }
}

// Every tab in three languages at three sizes, at the device-pixel ratio of
// a sharp screen. The images go to VENTIQ_RENDER_DIR when it is set.
TEST_F(PreferencesWindowTest, RendersEveryTabInEachLanguageAndScale) {
    QTemporaryDir scratch;
    const QString dir = qEnvironmentVariableIsSet("VENTIQ_RENDER_DIR") ? qEnvironmentVariable("VENTIQ_RENDER_DIR")
                                                                        : scratch.path();
    QDir().mkpath(dir);
    store.setFlag(PrefKeys::menuBarShowTemp, true);
    store.setFlag(PrefKeys::fullSpeedTimeoutOn, true);
    settleAll();
    for (const char* language : {"en", "ar", "zh-Hans"}) {
        store.setText(PrefKeys::selectedLanguage, language);
        for (int percent : {100, 125, 150}) {
            setScale(percent);
            Controller& w = make();
            for (int tab = 0; tab < 4; ++tab) {
                w.selectTab(tab);
                w.window()->show();
                QApplication::processEvents();
                QImage image(w.window()->size() * 2, QImage::Format_ARGB32_Premultiplied);
                image.setDevicePixelRatio(2);
                image.fill(Qt::black);
                w.window()->render(&image);
                const QString file = QString("%1/settings-%2-%3-%4.png").arg(dir, language).arg(percent).arg(tab);
                ASSERT_TRUE(image.save(file)) << file.toStdString();
                EXPECT_EQ(image.size(), w.window()->size() * 2);
                // The page fits the window it was measured for.
                EXPECT_LE(w.page()->sizeHint().width(), w.window()->width()) << file.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace ventiq
