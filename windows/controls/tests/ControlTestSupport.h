#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/Environment.h"
#include "platform/InMemoryPreferenceStore.h"
#include "settings/AppLanguage.h"
#include "settings/UIScale.h"

namespace ventiq {

// Installs a fresh store and environment for the language and the scale, sets
// the settings-window scale to a percentage (a screen tall enough for it), and
// leaves nothing installed behind.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void setScale(int percent);
    void setLanguage(const std::string& code);

    InMemoryPreferenceStore store;
    MapEnvironment env;
};

// Synthetic input delivered straight to a widget.
void pressKey(QWidget& w, Qt::Key key);
void mouse(QWidget& w, QEvent::Type type, QPointF at, Qt::MouseButtons buttons = Qt::LeftButton);
void click(QWidget& w, QPointF at);

}  // namespace ventiq
