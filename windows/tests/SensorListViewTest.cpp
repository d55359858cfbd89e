// The sensor list: heights, headers, units, colours and in-place refresh.
#include <QScrollArea>

#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "windows/SensorListStyle.h"
#include "windows/SensorListView.h"
#include "windows/SensorRowView.h"
#include "windows/tests/WindowFixture.h"

namespace ventiq {
namespace {

namespace Style = SensorListStyle;

class SensorListViewTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        list = std::make_unique<SensorListView>();
    }
    void TearDown() override {
        list.reset();
        WindowTest::TearDown();
    }
    std::unique_ptr<SensorListView> list;
};

TEST_F(SensorListViewTest, HeightsFollowRowsAndDrives) {
    struct Case {
        const char* name;
        int rows;
        int disks;
        int rowsHeight;
        int preferred;
        int sectionHeaders;
    };
    const Case cases[] = {
        {"five rows and a drive", 5, 1, 168, 231, 1},
        {"five rows, no drive", 5, 0, 118, 181, 0},
        {"the biggest machine", 31, 1, 740, 803, 1},
    };
    list->resize(400, 900);
    for (const Case& c : cases) {
        list->apply(coreSnapshot(c.rows, c.disks), false);
        EXPECT_EQ(Style::rowsHeight(c.rows, c.disks), c.rowsHeight) << c.name;
        EXPECT_EQ(list->preferredHeight(), c.preferred) << c.name;
        EXPECT_EQ(list->contentHeight(), c.rowsHeight) << c.name;
        EXPECT_EQ(list->sectionHeaderCount(), c.sectionHeaders) << c.name;
        EXPECT_FALSE(list->isShowingEmptyState()) << c.name;
    }
}

TEST_F(SensorListViewTest, EmptySnapshotKeepsTheTypicalHeightAndSaysSo) {
    EXPECT_EQ(list->preferredHeight(), 803);
    EXPECT_FALSE(list->isShowingEmptyState());
    list->apply(SensorListSnapshot::empty(), false);
    EXPECT_EQ(list->preferredHeight(), 803);
    EXPECT_TRUE(list->isShowingEmptyState());
    EXPECT_TRUE(list->rowViews().empty());
    list->apply(coreSnapshot(2), false);
    EXPECT_FALSE(list->isShowingEmptyState());
}

TEST_F(SensorListViewTest, FahrenheitChangesHeaderAndValuesWithoutRebuilding) {
    SensorListSnapshot s;
    s.rows.push_back(sensorRow("Te04", "CPU Efficiency Core 4", 43));
    list->apply(s, false);
    EXPECT_EQ(list->headerTexts(), (QStringList{"Sensor", "Temp \u00B0C"}));
    SensorRowView* row = list->rowViews().at(0);
    EXPECT_EQ(row->shownTemp(), "43");
    EXPECT_EQ(row->shownName(), "CPU Efficiency Core 4");

    list->apply(s, true);
    EXPECT_EQ(list->headerTexts().at(1), "Temp \u00B0F");
    EXPECT_EQ(list->rowViews().at(0), row);
    EXPECT_EQ(row->shownTemp(), "109");
    EXPECT_EQ(row->toolTip(), "CPU Efficiency Core 4 \u00B7 109");
}

TEST_F(SensorListViewTest, ValuesAreColouredByTheirCelsiusReading) {
    struct Case {
        const char* name;
        std::optional<double> celsius;
        QColor color;
        QString text;
    };
    const Case cases[] = {
        {"just below warm", 74.9, qcolor(Palette::text), "75"},
        {"warm", 75, Style::warm(), "75"},
        {"just below hot", 89.9, Style::warm(), "90"},
        {"hot", 90, Style::hot(), "90"},
        {"unreadable", std::nullopt, qcolor(Palette::secondary), "\u2014"},
    };
    for (const Case& c : cases) {
        SensorListSnapshot s;
        s.rows.push_back(sensorRow("Tp01", "CPU Performance Core 1", c.celsius));
        list->apply(s, false);
        EXPECT_EQ(list->rowViews().at(0)->shownTempColor(), c.color) << c.name;
        EXPECT_EQ(list->rowViews().at(0)->shownTemp(), c.text) << c.name;
    }
}

TEST_F(SensorListViewTest, SameIdentifiersUpdateInPlaceOtherSetsRebuild) {
    list->apply(coreSnapshot(31, 1, 50), false);
    const std::vector<SensorRowView*> first = list->rowViews();
    ASSERT_EQ(first.size(), 32u);

    list->apply(coreSnapshot(31, 1, 60), false);
    EXPECT_EQ(list->rowViews(), first);
    EXPECT_EQ(first[0]->shownTemp(), "60");
    EXPECT_EQ(first[31]->shownName(), "APPLE SSD AP2048Z");

    list->apply(coreSnapshot(30, 1, 60), false);
    ASSERT_EQ(list->rowViews().size(), 31u);
    EXPECT_NE(list->rowViews()[0], first[0]);
}

TEST_F(SensorListViewTest, RowsKeepNamesIconsZebraAndAverageWeight) {
    SensorListSnapshot s;
    s.rows = {
        SensorRow{"hid:airport", "Airport Proximity", SensorIcon::airport, 30, false},
        SensorRow{"smc:TaLP:Ambient", "Ambient", SensorIcon::none, 25, false},
        SensorRow{"avg:cpu", "CPU Core Average", SensorIcon::cpu, 60, true},
        SensorRow{"avg:gpu", "GPU Cluster Average", SensorIcon::gpu, 53, true},
    };
    s.disks = {SensorRow{"disk:0:SSD", "SSD", SensorIcon::disk, 43, false}};
    list->apply(s, false);
    const auto& rows = list->rowViews();
    ASSERT_EQ(rows.size(), 5u);
    const bool icons[] = {true, false, true, true, true};
    const bool zebra[] = {false, true, false, true, false};
    const bool average[] = {false, false, true, true, false};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->hasIcon(), icons[i]) << i;
        EXPECT_EQ(rows[i]->isZebra(), zebra[i]) << i;
        EXPECT_EQ(rows[i]->isAverage(), average[i]) << i;
    }
    EXPECT_EQ(rows[0]->shownName(), "Airport Proximity");
    EXPECT_EQ(rows[4]->accessibleName(), "SSD 43");
}

}  // namespace
}  // namespace ventiq
