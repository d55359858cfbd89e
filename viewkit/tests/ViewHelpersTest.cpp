#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

#include "platform/Environment.h"
#include "settings/AppLanguage.h"
#include "viewkit/Fonts.h"
#include "viewkit/ViewHelpers.h"
#include "viewkit/tests/QtTestApp.h"

namespace ventiq {
namespace {

class ViewHelpersTest : public ::testing::Test {
protected:
    void SetUp() override { testing::qtTestApp(); }
    void TearDown() override { AppLanguage::setEnvironment(nullptr); }
};

TEST_F(ViewHelpersTest, ActionButtonSizes) {
    struct Case {
        const char* name;
        QString title;
        bool primary;
    };
    const Case cases[] = {{"two letters", "OK", false},
                          {"long plain", "Install the helper and enable fan control", false},
                          {"long primary", "Install the helper and enable fan control", true}};
    for (const Case& c : cases) {
        std::unique_ptr<QPushButton> button(makeActionButton(c.title, c.primary));
        const double titleWidth =
            QFontMetricsF(systemFont(13, c.primary ? QFont::DemiBold : QFont::Normal)).horizontalAdvance(c.title);
        EXPECT_EQ(button->minimumWidth(), static_cast<int>(std::max(std::ceil(titleWidth) + 32, 64.0))) << c.name;
        EXPECT_GE(button->minimumWidth(), 64) << c.name;
        EXPECT_EQ(button->minimumHeight(), 28) << c.name;
        EXPECT_EQ(button->maximumHeight(), 28) << c.name;
    }
}

TEST_F(ViewHelpersTest, ActionButtonRunsItsAction) {
    int clicks = 0;
    std::unique_ptr<QPushButton> button(makeActionButton("Go", true, [&] { ++clicks; }));
    button->click();
    EXPECT_EQ(clicks, 1);
}

TEST_F(ViewHelpersTest, SmallBuilders) {
    std::unique_ptr<QWidget> hairline(makeHairline());
    EXPECT_EQ(hairline->minimumHeight(), 1);
    EXPECT_EQ(hairline->maximumHeight(), 1);

    FieldBox plain("1350");
    EXPECT_EQ(plain.width(), 64);
    EXPECT_EQ(plain.height(), 28);
    EXPECT_EQ(plain.field()->text(), "1350");
    EXPECT_FALSE(plain.field()->isReadOnly());
    EXPECT_EQ(FieldBox("x", 120).width(), 120);

    std::unique_ptr<QLabel> note(makeNoteLabel("A long note that wraps", 200));
    EXPECT_TRUE(note->wordWrap());
    EXPECT_EQ(note->maximumWidth(), 200);
    std::unique_ptr<QLabel> label(makeLabel("Left Fan", 14, QFont::DemiBold));
    EXPECT_FALSE(label->wordWrap());
    EXPECT_EQ(label->font().weight(), QFont::DemiBold);
}

TEST_F(ViewHelpersTest, LayoutDirectionReachesTheDeepestView) {
    struct Case {
        const char* lang;
        Qt::LayoutDirection expected;
    };
    for (const Case& c : {Case{"ar", Qt::RightToLeft}, Case{"en", Qt::LeftToRight}}) {
        MapEnvironment env;
        env.set("VENTIQ_FORCE_LANG", c.lang);
        AppLanguage::setEnvironment(&env);
        QWidget root;
        auto* middle = new QWidget(&root);
        auto* deepest = new QWidget(middle);
        auto* sibling = new QLabel("x", &root);
        // Start from the other direction so that every view must be set.
        for (QWidget* w : {&root, middle, deepest, static_cast<QWidget*>(sibling)})
            w->setLayoutDirection(c.expected == Qt::RightToLeft ? Qt::LeftToRight : Qt::RightToLeft);
        applyLayoutDirection(&root);
        for (QWidget* w : {&root, middle, deepest, static_cast<QWidget*>(sibling)})
            EXPECT_EQ(w->layoutDirection(), c.expected) << c.lang;
        AppLanguage::setEnvironment(nullptr);
    }
}

}  // namespace
}  // namespace ventiq
