#pragma once
#include <QPointer>
#include <QStringList>
#include <optional>

#include "windows/controls/ScaledControlBase.h"

#include <QMenu>

namespace ventiq {

// A pop-up list of texts: shows the selected title with up-and-down
// chevrons; activating it opens the list as a menu below the control.
class ScaledPopUp : public ScaledControlBase {
    Q_OBJECT
public:
    ScaledPopUp(const QStringList& titles, int selected, double width, Action action = {}, QWidget* parent = nullptr);

    const QStringList& titles() const { return titles_; }
    int indexOfSelectedItem() const { return selected_; }
    // Absent when the selection lies outside the list (an empty pop-up has none).
    std::optional<QString> titleOfSelectedItem() const;
    double fixedWidth() const { return fixedWidth_; }

    // Shows a selection made elsewhere; an index outside the list is ignored; no action.
    void selectItem(int index);
    // The user's choice: selects and sends the action, also when it was
    // already selected; an index outside the list is ignored.
    void pick(int index);
    // Whether the selected title fits its box without truncation.
    bool titleFits() const;
    // The open list, while it is open.
    QMenu* openMenu() const { return menu_; }

    void activate() override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    double titleBoxWidth() const;

    QStringList titles_;
    int selected_;
    double fixedWidth_;
    QPointer<QMenu> menu_;
};

}  // namespace ventiq
