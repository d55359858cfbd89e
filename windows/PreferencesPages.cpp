// The four pages of the settings window and what their controls do.
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "engine/FanController.h"
#include "platform/LoginItem.h"
#include "sensing/SensorSource.h"
#include "settings/AppLanguage.h"
#include "settings/L10n.h"
#include "settings/SettingsStyle.h"
#include "settings/UIScale.h"
#include "settings/VentiqPrefs.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/SymbolIcons.h"
#include "viewkit/ViewHelpers.h"
#include "windows/MenuBarPreviewView.h"
#include "windows/PreferencesWindowController.h"
#include "windows/controls/FontSampleView.h"
#include "windows/controls/ScaleSliderView.h"
#include "windows/controls/ScaledActionButton.h"
#include "windows/controls/ScaledPopUp.h"
#include "windows/controls/ScaledSegmented.h"
#include "windows/controls/ScaledToggle.h"

namespace ventiq {

namespace {

QString ui(const char* key) { return QString::fromStdString(L10n::tr(key)); }
QString ui(const char* key, const std::map<std::string, std::string>& values) {
    return QString::fromStdString(L10n::tr(key, values));
}
int px(double length) { return static_cast<int>(std::lround(length)); }

// The rows of a page in a column, with the page's margins around them.
QWidget* makePageFrame(const std::vector<QWidget*>& rows) {
    auto* page = new QWidget;
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(px(wz(32)), px(wz(24)), px(wz(32)), px(wz(24)));
    stack->setSpacing(px(wz(16)));
    for (QWidget* row : rows) stack->addWidget(row, 0, Qt::AlignLeft | Qt::AlignTop);
    stack->addStretch(1);
    return page;
}

// A label's text starts at the leading edge of its box whatever the text's
// own direction, so a status in Latin letters lines up in a mirrored page.
void alignLeading(QLabel* label, Qt::Alignment vertical = Qt::AlignVCenter) {
    label->setAlignment(Qt::AlignAbsolute | (AppLanguage::isRTL() ? Qt::AlignRight : Qt::AlignLeft) | vertical);
}

QLabel* makeSettingsNote(const QString& text) {
    QLabel* note = makeNoteLabel(text, wz(340), wz(12));
    note->setFixedWidth(px(wz(340)));
    alignLeading(note, Qt::AlignTop);
    return note;
}

// A title in a column of its own, in line with the control's first line, and
// the control with an optional note under it.
QWidget* settingsRow(const QString& title, QWidget* control, const QString& note = {}) {
    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(px(wz(16)));

    auto* cell = new QWidget;
    cell->setFixedSize(px(wz(200)), px(SettingsStyle::rowHeight()));
    QLabel* label = makeLabel(title, wz(14));
    const double cellWidth = wz(200);
    label->setText(QFontMetricsF(label->font()).elidedText(title, Qt::ElideRight, cellWidth));
    if (label->text() != title) label->setToolTip(title);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* cellLayout = new QVBoxLayout(cell);
    cellLayout->setContentsMargins(0, 0, 0, 0);
    cellLayout->addWidget(label);
    h->addWidget(cell, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(px(wz(4)));
    column->addWidget(control, 0, Qt::AlignLeft | Qt::AlignTop);
    if (!note.isEmpty()) column->addWidget(makeSettingsNote(note), 0, Qt::AlignLeft | Qt::AlignTop);
    h->addLayout(column);
    h->addStretch(1);
    return row;
}

// Controls stacked in a column of their own.
QWidget* stackOf(const std::vector<QWidget*>& items, double spacing) {
    auto* box = new QWidget;
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(px(spacing));
    for (QWidget* item : items) v->addWidget(item, 0, Qt::AlignLeft);
    return box;
}

// One radio group: the radios share a container, so choosing one turns off
// only its own siblings.
QWidget* makeRadios(const std::vector<QString>& titles, int selected, const ScaledControlBase::Action& action) {
    std::vector<QWidget*> radios;
    for (int i = 0; i < static_cast<int>(titles.size()); ++i) {
        auto* radio = new ScaledToggle(ScaledToggle::Kind::radio, titles[i], action);
        radio->setTag(i);
        radio->setState(i == selected ? Qt::Checked : Qt::Unchecked);
        radios.push_back(radio);
    }
    return stackOf(radios, 0);
}

template <typename Fn>
ScaledControlBase::Action act(PreferencesWindowController* self, Fn fn) {
    return [self, fn](ScaledControlBase& sender) { (self->*fn)(sender); };
}

}  // namespace

QString PreferencesWindowController::fontNoteText(int percent) {
    if (percent <= UIScale::panelCapPercent() && percent <= UIScale::windowCapPercent()) return ui("prefFontSizeNote");
    return ui("prefFontSizeCap", {{"p", std::to_string(UIScale::panelCapPercent())},
                                  {"w", std::to_string(UIScale::windowCapPercent())}});
}

namespace {

void colourNote(QLabel* note, int percent) {
    const bool capped = percent > UIScale::panelCapPercent() || percent > UIScale::windowCapPercent();
    QPalette p = note->palette();
    p.setColor(QPalette::WindowText, qcolor(capped ? Palette::accentText : Palette::secondary));
    note->setPalette(p);
}

}  // namespace

QWidget* PreferencesWindowController::makeGeneralPage() {
    const VentiqPrefs p = prefs();
    std::vector<QWidget*> rows;

    auto* login = new ScaledToggle(ScaledToggle::Kind::checkbox, ui("prefLoginItem"),
                                   act(this, &PreferencesWindowController::loginItemToggled));
    login->setState(context_.loginItem && context_.loginItem->isEnabled() ? Qt::Checked : Qt::Unchecked);
    rows.push_back(settingsRow(ui("prefStartup"), login));

    QStringList languages{ui("prefFollowSystem")};
    int languageIndex = 0;
    const auto override = AppLanguage::overrideCode();
    for (size_t i = 0; i < AppLanguage::supported.size(); ++i) {
        const std::string_view code = AppLanguage::supported[i];
        const std::string_view name = AppLanguage::name(code);
        languages << QString::fromUtf8((name.empty() ? code : name).data(), static_cast<int>((name.empty() ? code : name).size()));
        if (override && *override == code) languageIndex = static_cast<int>(i) + 1;
    }
    rows.push_back(settingsRow(ui("prefLanguage"),
                               new ScaledPopUp(languages, languageIndex, wz(220),
                                               act(this, &PreferencesWindowController::languageChanged)),
                               ui("prefLanguageNote")));

    // The text-size control: slider, percentage and reset, then the note and the sample.
    const int percent = UIScale::userPercent();
    auto* slider = new ScaleSliderView(percent);
    slider->setFixedSize(px(wz(168)), px(SettingsStyle::rowHeight()));
    slider->onChanging = [this](int value) { fontSliderMoved(value); };
    slider->onCommit = [this](int value) { fontSliderCommitted(value); };
    QLabel* percentLabel = makeLabel(QStringLiteral("%1%").arg(percent), wz(14), QFont::DemiBold, Palette::text, true);
    percentLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    percentLabel->setFixedWidth(px(wz(48)));
    auto* reset = new ScaledActionButton(ui("prefFontSizeReset"), false,
                                         [this](ScaledControlBase&) { fontResetClicked(); });
    auto* sliderRow = new QWidget;
    auto* sliderLayout = new QHBoxLayout(sliderRow);
    sliderLayout->setContentsMargins(0, 0, 0, 0);
    sliderLayout->setSpacing(px(wz(12)));
    sliderLayout->addWidget(slider, 0, Qt::AlignVCenter);
    sliderLayout->addWidget(percentLabel, 0, Qt::AlignVCenter);
    sliderLayout->addWidget(reset, 0, Qt::AlignVCenter);
    QLabel* note = makeSettingsNote(fontNoteText(percent));
    // Fixed so the sample does not jump when the note's text changes; two
    // lines of the note's font must fit, which some fonts need more than 32 for.
    note->setFixedHeight(px(std::max(wz(32), std::ceil(2 * QFontMetricsF(note->font()).lineSpacing()))));
    colourNote(note, percent);
    auto* sample = new FontSampleView;
    sample->setPercent(percent);
    sample->setFixedSize(px(wz(340)), px(wz(48)));
    rows.push_back(settingsRow(ui("prefFontSize"), stackOf({sliderRow, note, sample}, wz(6))));
    fontSlider_ = slider;
    fontPercentLabel_ = percentLabel;
    fontNoteLabel_ = note;
    fontSampleView_ = sample;

    rows.push_back(settingsRow(ui("prefTempUnit"),
                               new ScaledSegmented({QStringLiteral("°C"), QStringLiteral("°F")}, p.useFahrenheit() ? 1 : 0,
                                                   wz(120), act(this, &PreferencesWindowController::unitChanged))));

    QStringList refresh;
    int refreshIndex = 1;
    for (size_t i = 0; i < VentiqPrefs::refreshChoices.size(); ++i) {
        const int n = VentiqPrefs::refreshChoices[i];
        refresh << ui("secondsFmt", {{"n", std::to_string(n)}});
        if (n == p.refreshSeconds()) refreshIndex = static_cast<int>(i);
    }
    rows.push_back(settingsRow(ui("prefRefresh"),
                               new ScaledPopUp(refresh, refreshIndex, wz(140),
                                               act(this, &PreferencesWindowController::refreshChanged)),
                               ui("prefRefreshNote")));

    auto* notify = new ScaledToggle(ScaledToggle::Kind::checkbox, ui("prefNotifications"),
                                    act(this, &PreferencesWindowController::notificationsToggled));
    notify->setState(p.showNotifications() ? Qt::Checked : Qt::Unchecked);
    rows.push_back(settingsRow(ui("prefNotificationsTitle"), notify));

    rows.push_back(settingsRow(ui("prefOnQuit"), makeRadios({ui("prefQuitRelease"), ui("prefQuitKeep")},
                                                            p.keepFansOnQuit() ? 1 : 0,
                                                            act(this, &PreferencesWindowController::quitChanged))));

    auto* helperButton = new ScaledActionButton(ui("enableFanControl"), false,
                                                [this](ScaledControlBase&) { helperButtonClicked(); });
    QLabel* helperStatus = makeSettingsNote(QString());
    rows.push_back(settingsRow(ui("prefFanControl"), stackOf({helperButton, helperStatus}, wz(4))));
    helperButton_ = helperButton;
    helperStatusLabel_ = helperStatus;

    return makePageFrame(rows);
}

QWidget* PreferencesWindowController::makeMenuBarPage() {
    const VentiqPrefs p = prefs();
    std::vector<QWidget*> rows;
    rows.push_back(settingsRow(ui("prefDisplayStyle"),
                               makeRadios({ui("prefStyleTwoLine"), ui("prefStyleOneLine"), ui("prefStyleIconOnly")},
                                          p.menuBarStyle(), act(this, &PreferencesWindowController::menuStyleChanged))));

    auto* preview = new MenuBarPreviewView;
    rows.push_back(settingsRow(ui("prefPreview"), preview));
    previewView_ = preview;

    rows.push_back(settingsRow(ui("prefIconColor"),
                               makeRadios({ui("prefColorBlue"), ui("prefColorMono")}, p.menuBarMono() ? 1 : 0,
                                          act(this, &PreferencesWindowController::menuColorChanged))));

    auto* showTemp = new ScaledToggle(ScaledToggle::Kind::checkbox, ui("prefShowTemp"),
                                      act(this, &PreferencesWindowController::menuShowTempToggled));
    showTemp->setState(p.menuBarShowTemp() ? Qt::Checked : Qt::Unchecked);
    QStringList sources;
    for (SensorSource s : SensorSource::allCases()) sources << ui(s.titleKey());
    auto* source = new ScaledPopUp(sources, p.menuBarTempSource().rawValue(), wz(220),
                                   act(this, &PreferencesWindowController::menuTempSourceChanged));
    source->setObjectName(QStringLiteral("menuTempSensor"));
    source->setEnabled(p.menuBarShowTemp());
    rows.push_back(settingsRow(ui("prefExtraShow"), stackOf({showTemp, source}, wz(6))));
    return makePageFrame(rows);
}

QWidget* PreferencesWindowController::makePresetPage() {
    const VentiqPrefs p = prefs();
    std::vector<QWidget*> rows;

    auto* valueBox = new QWidget;
    valueBox->setFixedHeight(px(SettingsStyle::rowHeight()));
    valueBox->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* valueLayout = new QHBoxLayout(valueBox);
    valueLayout->setContentsMargins(0, 0, 0, 0);
    QLabel* values = makeLabel(QString(), wz(14), QFont::DemiBold, Palette::text, true);
    alignLeading(values);
    valueLayout->addWidget(values, 0, Qt::AlignLeft | Qt::AlignVCenter);
    auto* update = new ScaledActionButton(ui("prefUpdateFromCurrent"), false,
                                          [this](ScaledControlBase&) { updateCurrentClicked(); });
    rows.push_back(settingsRow(ui("mySettings"), stackOf({valueBox, update}, wz(8)), ui("prefMyNote")));
    mySettingsValueLabel_ = values;

    auto* check = new ScaledToggle(ScaledToggle::Kind::checkbox, QString(),
                                   act(this, &PreferencesWindowController::timeoutToggled));
    check->setState(p.fullSpeedTimeoutOn() ? Qt::Checked : Qt::Unchecked);
    QStringList minutes;
    int minutesIndex = 1;
    for (size_t i = 0; i < VentiqPrefs::timeoutChoices.size(); ++i) {
        const int n = VentiqPrefs::timeoutChoices[i];
        minutes << ui("minutesFmt", {{"n", std::to_string(n)}});
        if (n == p.fullSpeedTimeoutMinutes()) minutesIndex = static_cast<int>(i);
    }
    auto* popUp = new ScaledPopUp(minutes, minutesIndex, wz(140),
                                  act(this, &PreferencesWindowController::timeoutMinutesChanged));
    popUp->setEnabled(p.fullSpeedTimeoutOn());
    rows.push_back(settingsRow(ui("fullSpeedTimeout"), stackOf({check, popUp}, wz(6))));
    timeoutCheck_ = check;
    timeoutPopUp_ = popUp;
    updateTimeoutTitle();
    return makePageFrame(rows);
}

QWidget* PreferencesWindowController::makeAboutPage() {
    const BundleInfo& bundle = context_.bundle;
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(px(wz(32)), px(wz(32)), px(wz(32)), px(wz(20)));
    v->setSpacing(0);

    auto* icon = new QLabel;
    icon->setFixedSize(px(wz(128)), px(wz(128)));
    const QImage image = SymbolIcons::applicationIcon(wz(128), std::max(2.0, page->devicePixelRatioF()));
    if (!image.isNull()) icon->setPixmap(QPixmap::fromImage(image));
    v->addWidget(icon, 0, Qt::AlignHCenter);

    auto centred = [](QLabel* label) {
        label->setAlignment(Qt::AlignHCenter);
        return label;
    };
    v->addSpacing(px(wz(14)));
    v->addWidget(centred(makeLabel(ui("app.name"), wz(22), QFont::Bold)), 0, Qt::AlignHCenter);
    v->addSpacing(px(wz(6)));
    v->addWidget(centred(makeLabel(ui("aboutVersion", {{"v", bundle.shortVersion.value_or("?")},
                                                       {"b", bundle.buildNumber.value_or("?")}}),
                                   wz(13), QFont::Normal, Palette::secondary)),
                 0, Qt::AlignHCenter);
    v->addSpacing(px(wz(6)));
    v->addWidget(centred(makeLabel(ui("aboutTagline"), wz(13), QFont::Normal, Palette::secondary)), 0, Qt::AlignHCenter);
    v->addSpacing(px(wz(16)));
    v->addStretch(1);
    QLabel* rights = centred(makeLabel(QString::fromStdString(bundle.rightsNotice.value_or("")), wz(12), QFont::Normal,
                                       Palette::secondary));
    rights->setObjectName(QStringLiteral("rightsNotice"));
    v->addWidget(rights, 0, Qt::AlignHCenter);
    return page;
}

void PreferencesWindowController::updateTimeoutTitle() {
    if (!timeoutCheck_) return;
    timeoutCheck_->setTitle(ui("prefFullSpeedAfter", {{"n", std::to_string(prefs().fullSpeedTimeoutMinutes())}}));
}

void PreferencesWindowController::fontSliderMoved(int percent) {
    if (fontPercentLabel_) fontPercentLabel_->setText(QStringLiteral("%1%").arg(percent));
    if (fontSampleView_) fontSampleView_->setPercent(percent);
    if (fontNoteLabel_) {
        fontNoteLabel_->setText(fontNoteText(percent));
        colourNote(fontNoteLabel_, percent);
    }
}

void PreferencesWindowController::fontSliderCommitted(int percent) {
    if (percent != UIScale::userPercent()) UIScale::setUserPercent(percent);
}

void PreferencesWindowController::fontResetClicked() {
    const int p = UIScale::defaultPercent;
    if (fontSlider_) fontSlider_->setPercent(p);
    fontSliderMoved(p);
    if (p != UIScale::userPercent()) UIScale::setUserPercent(p);
}

void PreferencesWindowController::loginItemToggled(ScaledControlBase& sender) {
    auto& box = static_cast<ScaledToggle&>(sender);
    LoginItem* item = context_.loginItem;
    if (!item) {
        box.setState(Qt::Unchecked);
        return;
    }
    if (const auto error = item->setEnabled(box.isOn())) {
        box.setState(item->isEnabled() ? Qt::Checked : Qt::Unchecked);
        alert(L10n::tr("prefLoginItem"), *error);
    }
}

void PreferencesWindowController::languageChanged(ScaledControlBase& sender) {
    const int position = static_cast<ScaledPopUp&>(sender).indexOfSelectedItem();
    if (position <= 0 || position > static_cast<int>(AppLanguage::supported.size()))
        AppLanguage::setOverrideCode(std::nullopt);
    else
        AppLanguage::setOverrideCode(std::string(AppLanguage::supported[position - 1]));
    if (context_.notifications) context_.notifications->post(Notifications::languageChanged);
}

void PreferencesWindowController::unitChanged(ScaledControlBase& sender) {
    prefs().setUseFahrenheit(static_cast<ScaledSegmented&>(sender).selectedSegment() == 1);
    postDataUpdated();
    refreshLive();
}

void PreferencesWindowController::refreshChanged(ScaledControlBase& sender) {
    const int position = static_cast<ScaledPopUp&>(sender).indexOfSelectedItem();
    if (position < 0 || position >= static_cast<int>(VentiqPrefs::refreshChoices.size())) return;
    prefs().setRefreshSeconds(VentiqPrefs::refreshChoices[position]);
    context_.engine->applyRefreshInterval();
    postDataUpdated();
    refreshLive();
}

void PreferencesWindowController::notificationsToggled(ScaledControlBase& sender) {
    prefs().setShowNotifications(static_cast<ScaledToggle&>(sender).isOn());
}

void PreferencesWindowController::quitChanged(ScaledControlBase& sender) { prefs().setKeepFansOnQuit(sender.tag() == 1); }

void PreferencesWindowController::helperButtonClicked() {
    FanController& ctrl = *context_.engine;
    const bool removing = ctrl.helperReady();
    const std::string title = L10n::tr(removing ? "disableFanControl" : "enableFanControl");
    QPointer<QObject> self(this);
    auto done = [this, self, title](bool ok, const std::string& message) {
        if (!self || ok || message.empty()) return;
        alert(title, message);
    };
    if (removing)
        ctrl.disableFanControl(done);
    else
        ctrl.enableFanControl(done);
}

void PreferencesWindowController::menuStyleChanged(ScaledControlBase& sender) {
    prefs().setMenuBarStyle(sender.tag());
    postDataUpdated();
    refreshLive();
}

void PreferencesWindowController::menuColorChanged(ScaledControlBase& sender) {
    prefs().setMenuBarMono(sender.tag() == 1);
    postDataUpdated();
    refreshLive();
}

void PreferencesWindowController::menuShowTempToggled(ScaledControlBase& sender) {
    const bool on = static_cast<ScaledToggle&>(sender).isOn();
    prefs().setMenuBarShowTemp(on);
    // The source list stands next to the box in the same column.
    if (QWidget* column = sender.parentWidget()) {
        if (auto* source = column->findChild<ScaledPopUp*>(QString(), Qt::FindDirectChildrenOnly)) source->setEnabled(on);
    }
    postDataUpdated();
    refreshLive();
}

void PreferencesWindowController::menuTempSourceChanged(ScaledControlBase& sender) {
    const int position = static_cast<ScaledPopUp&>(sender).indexOfSelectedItem();
    prefs().setMenuBarTempSource(SensorSource::fromRawValue(position).value_or(SensorSource::cpuMax));
    postDataUpdated();
    refreshLive();
}

void PreferencesWindowController::updateCurrentClicked() {
    context_.engine->saveCurrentAsMySettings();
    refreshLive();
}

void PreferencesWindowController::timeoutToggled(ScaledControlBase& sender) {
    const bool on = static_cast<ScaledToggle&>(sender).isOn();
    prefs().setFullSpeedTimeoutOn(on);
    if (timeoutPopUp_) timeoutPopUp_->setEnabled(on);
}

void PreferencesWindowController::timeoutMinutesChanged(ScaledControlBase& sender) {
    const int position = static_cast<ScaledPopUp&>(sender).indexOfSelectedItem();
    if (position < 0 || position >= static_cast<int>(VentiqPrefs::timeoutChoices.size())) return;
    prefs().setFullSpeedTimeoutMinutes(VentiqPrefs::timeoutChoices[position]);
    updateTimeoutTitle();
}

}  // namespace ventiq
