#include "viewkit/ShowAlert.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QString>

#include <iostream>

namespace ventiq {

void showAlert(const std::string& title, const std::string& message) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        std::cerr << title << ": " << message << std::endl;
        return;
    }
    QMetaObject::invokeMethod(
        app,
        [title, message] {
            if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
                std::cerr << title << ": " << message << std::endl;
                return;
            }
            QMessageBox box;
            box.setIcon(QMessageBox::Information);
            box.setText(QString::fromStdString(title));
            box.setInformativeText(QString::fromStdString(message));
            box.setStandardButtons(QMessageBox::Ok);
            // A menu-bar utility has no window of its own in front, so the
            // box must raise itself above whatever the user is working in.
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
            box.show();
            box.raise();
            box.activateWindow();
            box.exec();
        },
        Qt::QueuedConnection);
}

}  // namespace ventiq
