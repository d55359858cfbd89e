#include "ControlTestSupport.h"

#include "platform/PreferenceStore.h"
#include "viewkit/tests/QtTestApp.h"

namespace ventiq {

void ControlTest::SetUp() {
    testing::qtTestApp();
    PreferenceStore::setStandard(&store);
    AppLanguage::setStore(&store);
    AppLanguage::setEnvironment(&env);
    UIScale::setStore(&store);
    setScale(100);
}

void ControlTest::TearDown() {
    UIScale::setStore(nullptr);
    AppLanguage::setEnvironment(nullptr);
    AppLanguage::setStore(nullptr);
    PreferenceStore::setStandard(nullptr);
}

void ControlTest::setScale(int percent) {
    store.setInteger(UIScale::defaultsKey, percent);
    UIScale::refreshWindow(4000.0);
    ASSERT_EQ(UIScale::windowPercent(), percent);
}

void ControlTest::setLanguage(const std::string& code) { AppLanguage::setOverrideCode(code); }

void pressKey(QWidget& w, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
}

void mouse(QWidget& w, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : buttons;
    QMouseEvent e(type, at, w.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

void click(QWidget& w, QPointF at) {
    mouse(w, QEvent::MouseButtonPress, at);
    mouse(w, QEvent::MouseButtonRelease, at);
}

}  // namespace ventiq
