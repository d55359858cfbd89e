#pragma once
#include <QWidget>
#include <string>
#include <vector>

#include "sensing/SensorListSnapshot.h"

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace ventiq {

class SensorRowView;

// The main window's right column: every temperature sensor of a snapshot in
// a scrolling card, with a "Drives" section. While the row identifiers stay
// the same a new snapshot only rewrites values in the existing rows.
class SensorListView : public QWidget {
public:
    explicit SensorListView(QWidget* parent = nullptr);

    void apply(const SensorListSnapshot& snapshot, bool fahrenheit);
    // The height that shows every row; before any data, the height of the
    // biggest machine's list.
    int preferredHeight() const;
    static QString tempHeader(bool fahrenheit);

    // For inspection.
    QStringList headerTexts() const;
    bool isShowingEmptyState() const;
    int sectionHeaderCount() const;
    const SensorListSnapshot& snapshot() const { return snapshot_; }
    bool fahrenheit() const { return fahrenheit_; }
    const std::vector<SensorRowView*>& rowViews() const { return rowViews_; }
    // The height of the scrolled content: the rows, headers and bottom pad.
    int contentHeight() const;
    QScrollArea* scrollArea() const { return scroll_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild(const std::vector<std::string>& ids);
    void layoutCard();

    QLabel* titleLabel_;
    QLabel* noteLabel_;
    QWidget* card_;
    QLabel* colName_;
    QLabel* colTemp_;
    QWidget* headerLine_;
    QScrollArea* scroll_;
    QWidget* doc_;
    QVBoxLayout* stack_;
    QLabel* emptyLabel_;
    std::vector<std::string> shownIDs_;
    std::vector<SensorRowView*> rowViews_;
    SensorListSnapshot snapshot_ = SensorListSnapshot::empty();
    bool fahrenheit_ = false;
};

}  // namespace ventiq
