#include "windows/WindowSnapshots.h"

#include <QDir>
#include <QLayout>
#include <QPainter>
#include <QWidget>

#include "windows/MainContentView.h"
#include "windows/MainWindowController.h"
#include "windows/SensorControlSheetController.h"

namespace ventiq {
namespace {

// A tree that is never shown never handles its layout requests, so a text set
// after the last layout pass would keep the room of the old one. Parents
// first, so each layout works in the size its parent has just given it.
void layOut(QWidget* widget) {
    if (QLayout* layout = widget->layout()) layout->activate();
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) layOut(child);
}

}  // namespace

QImage renderWidget(QWidget* widget, double devicePixelRatio) {
    widget->ensurePolished();
    layOut(widget);
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
