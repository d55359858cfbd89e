// Renders the panel and the menu-bar item to PNG files, in English, Arabic
// and Chinese at 100, 125 and 150 %, over the two-fan test machine, so that
// a person can look at them. Usage: menubar_snapshots DIRECTORY
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>

#include <iostream>

#include "engine/FanController.h"
#include "menubar/DropdownMenuPanel.h"
#include "platform/Environment.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "settings/AppLanguage.h"
#include "settings/PrefKeys.h"
#include "settings/UIScale.h"
#include "smc/SMCReading.h"
#include "testing/FakeFanHelper.h"
#include "testing/FakeSMC.h"
#include "testing/FakeTemperatureSource.h"
#include "viewkit/MenuBarRenderer.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"

using namespace ventiq;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: menubar_snapshots DIRECTORY\n";
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::cerr << "cannot create " << argv[1] << "\n";
        return 1;
    }

    ManualLoop loop;
    NotificationCenter center(loop);
    InMemoryPreferenceStore store;
    MapEnvironment env;
    AppLanguage::setEnvironment(&env);
    AppLanguage::setStore(&store);
    UIScale::setStore(&store);
    testing::FakeSMC smc;
    testing::FakeSMC::addTwoFanMachine(smc);
    smc.setFloat(fanKey(0, "Ac"), 3238);
    smc.setFloat(fanKey(1, "Ac"), 3193);
    testing::FakeFanHelper helper;
    helper.attach(&smc);
    testing::FakeTemperatureSource sensors;
    sensors.setCPU(58);
    sensors.snapshot.ssd = 41;
    sensors.snapshot.battery = 33;
    store.setFlag(PrefKeys::realControlV1, true);
    store.setInteger(PrefKeys::preset, 1);
    FanController engine(&smc, helper, sensors, true, store, loop, center);
    loop.advanceSeconds(4.2);

    int written = 0;
    for (const char* lang : {"en", "ar", "zh-Hans"}) {
        env.set("VENTIQ_FORCE_LANG", lang);
        for (const int percent : {100, 125, 150}) {
            store.setInteger(UIScale::defaultsKey, percent);
            UIScale::refreshPanel(5000);
            DropdownMenuPanel panel(engine, loop, center);
            panel.resize(panel.width(), panel.preferredHeight());
            const double dpr = 2;
            QImage image(panel.size() * dpr, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(dpr);
            // A desktop-like backdrop shows the card's rounded corners.
            image.fill(QColor(90, 90, 96));
            panel.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
            const QString name = QStringLiteral("panel-%1-%2.png").arg(lang).arg(percent);
            written += image.save(dir.filePath(name)) ? 1 : 0;
        }
    }

    // The item in every style, monochrome (as inked for a dark tray) and coloured.
    QImage strip(260 * 2, 6 * 26 * 2, QImage::Format_ARGB32_Premultiplied);
    strip.setDevicePixelRatio(2);
    strip.fill(QColor(30, 30, 34));
    QPainter p(&strip);
    int row = 0;
    for (const bool mono : {true, false})
        for (const int style : {0, 1, 2}) {
            MenuBarRenderer::Options o;
            o.style = style;
            o.mono = mono;
            o.tempText = "47°C";
            auto image = MenuBarRenderer::render(3238, 3193, o, 2);
            const QImage shown = mono ? MenuBarRenderer::tinted(image.image, qcolor(Palette::text)) : image.image;
            p.drawImage(QPointF(4, 2 + 26 * row++), shown);
        }
    p.end();
    written += strip.save(dir.filePath("menubar-items.png")) ? 1 : 0;
    std::cout << "wrote " << written << " images to " << dir.path().toStdString() << "\n";
    AppLanguage::setEnvironment(nullptr);
    AppLanguage::setStore(nullptr);
    UIScale::setStore(nullptr);
    return written == 10 ? 0 : 1;
}
