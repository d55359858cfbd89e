#pragma once
#include <QString>
#include <QWidget>

namespace ventiq {

// The "Drives" band between the sensor rows and the drive rows.
class SensorSectionHeaderView : public QWidget {
public:
    explicit SensorSectionHeaderView(const QString& text, QWidget* parent = nullptr);
    const QString& text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

}  // namespace ventiq
