#pragma once
#include <QColor>
#include <QString>
#include <QWidget>

#include "sensing/SensorRow.h"

namespace ventiq {

// One line of the sensor list: icon, hardware name and value. Drawn by
// itself so that a refresh only changes a few fields and repaints.
class SensorRowView : public QWidget {
public:
    SensorRowView(const SensorRow& row, bool zebra, bool fahrenheit, QWidget* parent = nullptr);

    void update(const SensorRow& row, bool fahrenheit);

    const std::string& rowID() const { return rowID_; }
    bool isAverage() const { return isAverage_; }
    const QString& shownName() const { return shownName_; }
    const QString& shownTemp() const { return shownTemp_; }
    const QColor& shownTempColor() const { return shownTempColor_; }
    bool hasIcon() const { return hasIcon_; }
    bool isZebra() const { return zebra_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string rowID_;
    bool isAverage_ = false;
    bool zebra_ = false;
    bool hasIcon_ = false;
    QString symbolName_;
    QColor symbolColor_;
    QString shownName_;
    QString shownTemp_;
    QColor shownTempColor_;
};

}  // namespace ventiq
