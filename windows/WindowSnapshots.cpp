#include "windows/WindowSnapshots.h"

#include <QDir>
#include <QPainter>
#include <QWidget>

#include "windows/MainContentView.h"
#include "windows/MainWindowController.h"
#include "windows/SensorControlSheetController.h"

namespace ventiq {

QImage renderWidget(QWidget* widget, double devicePixelRatio) {
    widget->ensurePolished();
    QImage image(widget->size() * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    widget->render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return image;
}

bool writeMainWindowSnapshots(const MainWindowContext& context, const QString& directory, const QString& tag,
                              double devicePixelRatio) {
    QDir().mkpath(directory);
    MainWindowController controller(context);
    const QImage main = renderWidget(controller.window(), devicePixelRatio);
    SensorControlSheetController sheet(*context.engine, true);
    const QImage sheetImage = renderWidget(&sheet, devicePixelRatio);
    const QDir dir(directory);
    return main.save(dir.filePath(QStringLiteral("main-%1.png").arg(tag))) &&
           sheetImage.save(dir.filePath(QStringLiteral("sheet-%1.png").arg(tag)));
}

}  // namespace ventiq
