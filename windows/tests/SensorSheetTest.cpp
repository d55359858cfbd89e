// The sensor curve sheet: validation, what Apply and the mode segment write,
// one sheet at a time, and the curve's geometry.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "viewkit/ViewHelpers.h"
#include "windows/SegmentedControl.h"
#include "windows/SensorControlSheetController.h"
#include "windows/SensorGraphPreviewView.h"
#include "windows/tests/WindowFixture.h"

namespace ventiq {
namespace {

using Sheet = SensorControlSheetController;

class SensorSheetTest : public WindowTest {
protected:
    Sheet* open(bool isLeft) { return Sheet::show(*engine, isLeft, nullptr); }
    // Every stored value the sheet may write.
    std::vector<std::optional<PreferenceStore::Value>> stored() const {
        std::vector<std::optional<PreferenceStore::Value>> values;
        for (const char* key : {PrefKeys::preset, PrefKeys::leftMode, PrefKeys::rightMode, PrefKeys::sensorStart,
                                PrefKeys::sensorMax, PrefKeys::sensorSource})
            values.push_back(store.object(key));
        return values;
    }
    static void type(Sheet* sheet, const QString& start, const QString& full) {
        sheet->startBox()->field()->setText(start);
        sheet->maxBox()->field()->setText(full);
    }
};

TEST_F(SensorSheetTest, ValidationTakesTrimmedWholeNumbersInRangeWithStartBelowFull) {
    struct Case {
        const char* name;
        QString start;
        QString full;
        std::optional<std::pair<int, int>> result;
    };
    const Case cases[] = {
        {"the defaults", "50", "85", std::pair{50, 85}},
        {"start above full", "85", "50", std::nullopt},
        {"start equal to full", "60", "60", std::nullopt},
        {"start below the range", "19", "85", std::nullopt},
        {"full above the range", "50", "111", std::nullopt},
        {"both range ends", "20", "110", std::pair{20, 110}},
        {"surrounding spaces", " 70 ", "\t80\n", std::pair{70, 80}},
        {"letters", "abc", "85", std::nullopt},
        {"empty", "", "85", std::nullopt},
        {"only spaces", "50", "   ", std::nullopt},
        {"a sign", "+50", "85", std::nullopt},
        {"a negative", "50", "-85", std::nullopt},
        {"a decimal", "50.5", "85", std::nullopt},
        {"an exponent", "5e1", "85", std::nullopt},
        {"a huge number", "50", "99999999999999999999999", std::nullopt},
        {"wrapping to a valid value", "4294967346", "85", std::nullopt},
        {"Arabic-Indic digits", "\u0665\u0660", "85", std::nullopt},
        {"full-width digits", "\uFF15\uFF10", "85", std::nullopt},
        {"inner space", "5 0", "85", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(Sheet::parsedTemps(c.start, c.full), c.result) << c.name;
}

TEST_F(SensorSheetTest, OpensWithTheEngineValuesAndSensorModeSelected) {
    engine->setSensorStartTemp(47.9);
    engine->setSensorMaxTemp(88);
    engine->setSensorSource(SensorSource::ssd);
    Sheet* sheet = open(true);
    EXPECT_EQ(sheet->startBox()->field()->text(), "47");
    EXPECT_EQ(sheet->maxBox()->field()->text(), "88");
    EXPECT_EQ(sheet->sensorPopUp()->currentIndex(), SensorSource(SensorSource::ssd).rawValue());
    EXPECT_EQ(sheet->sensorPopUp()->count(), 4);
    EXPECT_EQ(sheet->modeSegment()->selectedSegment(), 2);
    EXPECT_EQ(sheet->size(), QSize(480, 440));
    EXPECT_TRUE(sheet->errorLabel()->isHidden());
}

// The stored curve ends are not clamped, so a hand-edited preferences file
// can hold anything; the fields must still open.
TEST_F(SensorSheetTest, StoredValuesThatAreNoWholeNumberOpenSafely) {
    struct Case {
        const char* name;
        double stored;
        QString shown;
    };
    const Case cases[] = {
        {"negative fraction", -3.7, "-3"},
        {"huge", 1e300, "1000000000"},
        {"not a number", std::nan(""), ""},
        {"infinite", -INFINITY, ""},
    };
    for (const Case& c : cases) {
        engine->setSensorStartTemp(c.stored);
        Sheet* sheet = open(true);
        EXPECT_EQ(sheet->startBox()->field()->text(), c.shown) << c.name;
        EXPECT_FALSE(sheet->errorLabel()->isHidden()) << c.name;
        sheet->cancel();
    }
}

TEST_F(SensorSheetTest, ApplyWithValidValuesWritesEverythingAndCloses) {
    ASSERT_EQ(engine->preset(), FanPreset::auto_);
    Sheet* sheet = open(false);
    type(sheet, " 55", "80 ");
    sheet->sensorPopUp()->setCurrentIndex(SensorSource(SensorSource::battery).rawValue());
    sheet->apply();
    EXPECT_EQ(engine->sensorSource(), SensorSource::battery);
    EXPECT_EQ(engine->sensorStartTemp(), 55);
    EXPECT_EQ(engine->sensorMaxTemp(), 80);
    EXPECT_EQ(engine->rightMode(), FanMode::sensor);
    EXPECT_EQ(engine->leftMode(), FanMode::constant);
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
    EXPECT_EQ(Sheet::current(), nullptr);
}

TEST_F(SensorSheetTest, InvalidInputShowsTheMessageKeepsTheSheetAndWritesNothing) {
    const auto before = stored();
    Sheet* sheet = open(true);
    type(sheet, "85", "50");
    EXPECT_FALSE(sheet->errorLabel()->isHidden());
    EXPECT_EQ(sheet->errorLabel()->text(), "The start temperature must be lower than the full-speed temperature");
    // The curve keeps the last valid pair while the text is wrong.
    EXPECT_EQ(sheet->curveView()->startTemp(), 50);
    EXPECT_EQ(sheet->curveView()->fullTemp(), 85);
    sheet->apply();
    EXPECT_EQ(Sheet::current(), sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(engine->leftMode(), FanMode::constant);

    type(sheet, "60", "75");
    EXPECT_TRUE(sheet->errorLabel()->isHidden());
    EXPECT_EQ(sheet->curveView()->startTemp(), 60);
    EXPECT_EQ(sheet->curveView()->fullTemp(), 75);
}

TEST_F(SensorSheetTest, ChoosingAutoOrConstantSetsTheModeAndClosesWithoutTouchingTheCurve) {
    struct Case {
        const char* name;
        int segment;
        FanMode mode;
    };
    const Case cases[] = {{"auto", 0, FanMode::auto_}, {"constant", 1, FanMode::constant}};
    for (const Case& c : cases) {
        engine->setPreset(FanPreset::fullSpeed);
        engine->setLeftMode(FanMode::sensor);
        Sheet* sheet = open(true);
        type(sheet, "30", "40");
        sheet->modeSegment()->choose(c.segment);
        EXPECT_EQ(engine->leftMode(), c.mode) << c.name;
        EXPECT_EQ(engine->preset(), FanPreset::mySettings) << c.name;
        EXPECT_EQ(engine->sensorStartTemp(), 50) << c.name;
        EXPECT_EQ(engine->sensorMaxTemp(), 85) << c.name;
        EXPECT_EQ(Sheet::current(), nullptr) << c.name;
    }
}

TEST_F(SensorSheetTest, CancelAndEscapeCloseWithoutWriting) {
    const auto before = stored();
    Sheet* sheet = open(true);
    type(sheet, "40", "60");
    sheet->cancel();
    EXPECT_EQ(Sheet::current(), nullptr);
    sheet = open(true);
    type(sheet, "40", "60");
    sheet->reject();
    EXPECT_EQ(Sheet::current(), nullptr);
    EXPECT_EQ(stored(), before);
}

TEST_F(SensorSheetTest, ASecondShowBringsTheOpenSheetForwardWithItsSide) {
    Sheet* first = open(true);
    Sheet* second = open(false);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(second->isLeft());
    first->cancel();
}

TEST_F(SensorSheetTest, CurveRunsAlongMinimumRampsAndHoldsMaximum) {
    SensorGraphPreviewView curve;
    curve.resize(400, 120);
    const QPolygonF points = curve.curve();
    ASSERT_EQ(points.size(), 4);
    EXPECT_EQ(points[0], QPointF(0, 96));
    EXPECT_NEAR(points[1].x(), 114.29, 0.01);
    EXPECT_EQ(points[1].y(), 96);
    EXPECT_NEAR(points[2].x(), 314.29, 0.01);
    EXPECT_EQ(points[2].y(), 6);
    EXPECT_EQ(points[3], QPointF(400, 6));

    curve.setStartTemp(20);
    curve.setFullTemp(110);
    EXPECT_EQ(curve.curve()[1].x(), 0);
    EXPECT_EQ(curve.curve()[2].x(), 400);
}

}  // namespace
}  // namespace ventiq
