// The control column's panels and the adapter dialog: the load strip's bars, scrolling, label
// and minute markers, its messages; the statistics panel's sampling and texts; the adapter
// dialog's selection and result.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QImage>
#include <QTreeWidget>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "image_test_support.h"
#include "model_test_support.h"
#include "ui/adapter_dialog.h"
#include "ui/load_strip.h"
#include "ui/stats_panel.h"
#include "ui/strip.h"
#include "ui/strip_chart.h"
#include "ui/ui_font.h"
#include "ui/ui_message.h"
#include "ui_test_support.h"

namespace nw::test {
namespace {

const QRgb INK = qRgb(0, 0, 0);
const QRgb WHITE = qRgb(255, 255, 255);
const QRgb GRID = qRgb(50, 50, 255);

// ---- The strip chart's pictures -----------------------------------------------------------

// A chart 200 pixels wide whose plot area is 80 rows high.
class StripChartTest : public ::testing::Test {
 protected:
  static constexpr int W = 200;
  static constexpr int H = 80;
  static constexpr int MARGIN = strip_chart::DEFAULT_MARGIN;
  const QTime noon{12, 0, 0};

  void SetUp() override {
    chart.set_band_color(BAND);
    chart.layout(QSize(W, H + chart.text_height() + MARGIN));
    ASSERT_EQ(chart.plot_height(), H);
  }
  void samples(int n, std::uint32_t value = 0) {
    for (int i = 0; i < n; ++i) chart.sample(value, noon);
  }
  int bar_in(int x) const { return ink_count(chart.plot(), QRect(x, 0, 1, H), INK); }
  // Marker ticks anywhere in the band's top rows.
  QRect ticks_drawn() const { return ink_bounds(chart.plot(), QRect(0, H, chart.plot().width(), MARGIN), INK); }

  static inline const QColor BAND{212, 208, 200};
  strip_chart chart;
};

TEST_F(StripChartTest, LayoutMakesAWhitePlotWithItsGridOverTheBand) {
  EXPECT_EQ(chart.plot().width(), W + strip_chart::HIDDEN);
  for (const int y : {20, 40, 60}) {  // 30, 20 and 10 percent
    EXPECT_EQ(ink_count(chart.plot(), QRect(0, y, chart.plot().width(), 1), GRID), chart.plot().width()) << y;
  }
  EXPECT_EQ(ink_count(chart.plot(), QRect(0, 0, W, H), WHITE), W * (H - 3));
  EXPECT_EQ(ink_count(chart.plot(), QRect(0, H, W, chart.plot().height() - H), BAND.rgb()),
            W * (chart.plot().height() - H));
  EXPECT_EQ(chart.label_text(), "Load: 0%");
}

TEST_F(StripChartTest, BarsFollowTheValueUpToFullScale) {
  const struct {
    std::uint32_t value;
    int bar;
  } cases[] = {{10, 20}, {1, 2}, {39, 78}, {40, 80}, {55, 80}, {0xFFFFFFFF, 80},
               {53'687'092, 80},  // times 80 wraps to 64 in 32 bits
               {0, 0}};
  for (const auto& c : cases) {
    chart.sample(c.value, noon);
    EXPECT_EQ(bar_in(W - 1), c.bar) << c.value;
    if (c.bar > 0) {  // from the bottom row up
      EXPECT_EQ(vertical_run(chart.plot(), W - 1, H - 1, INK), c.bar) << c.value;
    }
  }
}

TEST_F(StripChartTest, EverySampleScrollsEvenWithoutABar) {
  chart.sample(55, noon);
  chart.sample(0, noon);
  EXPECT_EQ(bar_in(W - 1), 0);
  EXPECT_EQ(bar_in(W - 2), H);
  EXPECT_EQ(chart.label_text(), "Load: 0%");
  EXPECT_EQ(chart.plot().pixel(W - 1, 40), GRID);  // the grid runs on where the bar was
  samples(W);
  EXPECT_EQ(ink_count(chart.plot(), QRect(0, 0, W, H), INK), 0);  // gone off the left edge
  // The columns that came free are fresh: grid, white, band.
  const int last = chart.plot().width() - 1;
  EXPECT_EQ(chart.plot().pixel(last, 20), GRID);
  EXPECT_EQ(chart.plot().pixel(last, 21), WHITE);
  EXPECT_EQ(chart.plot().pixel(last, H), BAND.rgb());
}

TEST_F(StripChartTest, NothingIsSampledBeforeTheFirstLayout) {
  strip_chart fresh;
  EXPECT_FALSE(fresh.sample(10, noon));
  EXPECT_FALSE(fresh.minute(noon));
  EXPECT_EQ(fresh.ticks(), 0);
  fresh.layout(QSize(0, 100));  // a collapsed window makes no pictures either
  EXPECT_FALSE(fresh.ready());
}

TEST(StripLabel, TheValueTakesThePlaceOfItsConversion) {
  EXPECT_EQ(strip_label_text("Load: %d%%", 55), "Load: 55%");
  EXPECT_EQ(strip_label_text("%u of %i", 7), "7 of %i");  // one value, one conversion
  EXPECT_EQ(strip_label_text("100%% %s %n %d", 3), "100% %s %n 3");  // never handed to printf
  EXPECT_EQ(strip_label_text("%", 3), "%");
  EXPECT_EQ(strip_label_text("", 3), "");
}

// The label is combined with the plot by AND: its ground leaves the plot, its ink darkens it.
TEST_F(StripChartTest, TheLabelIsAndedOverThePlot) {
  strip_chart narrow;
  narrow.layout(QSize(60, 100));
  narrow.sample(40, noon);  // a full bar in column 59, under the label
  const QImage& shown = narrow.shown();
  ASSERT_EQ(shown.size(), QSize(60, 100));
  int inked = 0;
  for (int y = 0; y < strip_chart::LABEL_HEIGHT; ++y) {
    for (int x = strip_chart::LABEL_X; x < 60; ++x) {
      const QRgb both = narrow.plot().pixel(x, y) & narrow.label().pixel(x - strip_chart::LABEL_X, y);
      ASSERT_EQ(shown.pixel(x, y), both | 0xFF000000) << x << "," << y;
      inked += qGray(narrow.label().pixel(x - strip_chart::LABEL_X, y)) < 128 ? 1 : 0;
    }
  }
  EXPECT_GT(inked, 20) << "the label's text shows";
  EXPECT_EQ(vertical_run(shown, 59, 99 - narrow.text_height() - strip_chart::DEFAULT_MARGIN, INK),
            narrow.plot_height());  // the bar shows through the label's ground
  EXPECT_EQ(shown.pixel(2, 10), narrow.plot().pixel(2, 10));  // left of the label
}

TEST(StripMarker, PlaceAndTimeFollowTheSeconds) {
  const struct {
    QTime now;
    int offset;
    QTime shown;
  } cases[] = {
      {QTime(12, 34, 0), 0, QTime(12, 34)},    {QTime(12, 34, 10), -10, QTime(12, 34)},
      {QTime(12, 34, 30), -30, QTime(12, 34)}, {QTime(12, 34, 31), 29, QTime(12, 35)},
      {QTime(9, 59, 59), 1, QTime(10, 0)},     {QTime(23, 59, 45), 15, QTime(0, 0)},
  };
  for (const auto& c : cases) {
    const strip_marker m = strip_marker_for(c.now);
    EXPECT_EQ(m.offset, c.offset) << c.now.toString().toStdString();
    EXPECT_EQ(m.time, c.shown) << c.now.toString().toStdString();
  }
}

TEST_F(StripChartTest, MarkersComeAtLeast31SamplesApart) {
  EXPECT_FALSE(chart.minute(QTime(12, 0, 10)));  // no sample yet
  samples(31);
  ASSERT_TRUE(chart.minute(QTime(12, 0, 10)));
  EXPECT_EQ(chart.ticks(), 0);
  EXPECT_EQ(ticks_drawn(), QRect(W - 1 - 10, H, 1, MARGIN));  // ten columns left of the newest
  EXPECT_GT(ink_count(chart.plot(), QRect(W - 60, H + MARGIN, 100, chart.text_height()), INK), 0)
      << "its time under the tick";

  samples(20);  // the timer fires 20 samples after the marker: nothing happens
  const QImage before = chart.plot().copy();
  EXPECT_FALSE(chart.minute(QTime(12, 1, 10)));
  EXPECT_EQ(chart.plot(), before);
  EXPECT_EQ(chart.ticks(), 20);
}

TEST_F(StripChartTest, AMarkerForTheComingMinuteScrollsIntoViewOnTime) {
  samples(40);
  ASSERT_TRUE(chart.minute(QTime(12, 0, 45)));
  EXPECT_EQ(ticks_drawn(), QRect(W - 1 + 15, H, 1, MARGIN));  // in the hidden columns
  samples(15);
  EXPECT_EQ(ticks_drawn(), QRect(W - 1, H, 1, MARGIN));  // the newest column at 12:01:00
}

TEST_F(StripChartTest, A66thSampleWithoutMarkerDrawsOne) {
  samples(65);
  EXPECT_EQ(chart.ticks(), 65);
  EXPECT_TRUE(ticks_drawn().isEmpty());
  chart.sample(0, QTime(12, 0, 5));
  EXPECT_EQ(chart.ticks(), 0);
  EXPECT_EQ(ticks_drawn(), QRect(W - 1 - 5, H, 1, MARGIN));
}

// ---- The load strip's window and messages -------------------------------------------------

class LoadStripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    load.show();  // lays the chart out
    ASSERT_TRUE(chart().chart().ready());
  }
  strip& chart() { return load.chart_window(); }

  load_strip load;
  std::int32_t value = 55;
};

TEST_F(LoadStripTest, PlotsTheValueItIsGivenAndResetsItOnlyWhenTold) {
  chart().sample_tick();  // no value yet: zero
  EXPECT_EQ(chart().chart().label_text(), "Load: 0%");

  load_strip_plot(&load, &value);
  EXPECT_TRUE(chart().resets_after_read());  // the default
  chart().sample_tick();
  EXPECT_EQ(chart().chart().label_text(), "Load: 55%");
  EXPECT_EQ(value, 0);

  value = 55;
  load_strip_reset(&load, 0);  // what the control column sends
  chart().sample_tick();
  chart().sample_tick();
  EXPECT_EQ(chart().chart().label_text(), "Load: 55%");
  EXPECT_EQ(value, 55);

  value = -3;  // the model's load is signed; a negative one plots as nothing
  chart().sample_tick();
  EXPECT_EQ(chart().chart().label_text(), "Load: 0%");
}

TEST_F(LoadStripTest, LabelFontsMarginAndBorderReachTheChart) {
  load_strip_plot(&load, &value);
  load_strip_reset(&load, 0);
  load_strip_label(&load, {"Util %d%%", "Auslastung"});
  EXPECT_EQ(load.group_box().title(), "Auslastung");
  chart().sample_tick();
  EXPECT_EQ(chart().chart().label_text(), "Util 55%");

  const int client = chart().contentsRect().height();
  const QFont big = ui_font(24, true, true);
  load_strip_fonts(&load, {big, std::nullopt});  // the plot font only
  EXPECT_EQ(chart().chart().text_height(), QFontMetrics(big).height());
  EXPECT_EQ(chart().chart().plot_height(), client - (QFontMetrics(big).height() + strip_chart::DEFAULT_MARGIN));
  load_strip_margin(&load, 2);
  EXPECT_EQ(chart().chart().plot_height(), client - (QFontMetrics(big).height() + 2));

  const QRect inside = chart().geometry();
  load_strip_border(&load, 10);
  EXPECT_EQ(chart().geometry().left(), 10);
  EXPECT_EQ(chart().geometry().width(), inside.width() - 10);
}

// As the control column sets it up: the newest columns hold the last loads, oldest left.
TEST_F(LoadStripTest, TheNewestColumnsHoldTheLastLoads) {
  load_strip_plot(&load, &value);
  load_strip_fonts(&load, {ui_font(13, true, true), ui_font(12)});
  load_strip_reset(&load, 0);
  const std::int32_t loads[] = {3, 8, 12, 25, 31, 18, 9, 4, 0, 0, 6, 40, 55, 22, 14};
  constexpr std::size_t N = 253;
  for (std::size_t i = 0; i < N; ++i) {
    value = loads[i % std::size(loads)];
    chart().sample_tick();
    if (i == 80 || i == 160) chart().minute_tick();
  }
  const strip_chart& c = chart().chart();
  const int h = c.plot_height();
  for (std::size_t age = 0; age < std::size(loads); ++age) {
    const int x = c.visible_width() - 1 - static_cast<int>(age);
    const int bar = std::min(loads[(N - 1 - age) % std::size(loads)] * h / strip_chart::FULL_SCALE, h);
    EXPECT_EQ(ink_count(c.plot(), QRect(x, 0, 1, h), INK), bar) << age;
  }
  ui_save_shot(load, "ui_load_strip");
}

TEST(UiMessageDeathTest, AnUnknownNumberOrPayloadStopsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  load_strip load;
  EXPECT_DEATH(ui_message_send(&load, 1099, 0), "LOAD: unknown message 1099");
  EXPECT_DEATH(ui_message_send(&load, LOAD_MSG_VALUE, 55), "LOAD: unknown message 1057");
  EXPECT_DEATH(ui_message_send(&load.chart_window(), LOAD_MSG_VALUE, 55), "Strip: unknown message 1057");
  stats_panel panel(nullptr, STATS_MSG_UPDATE, 0);
  EXPECT_DEATH(ui_message_send(&panel, STATS_MSG_UPDATE + 1, &panel), "estat: unknown message 1031");
}

// ---- The statistics panel ------------------------------------------------------------------

TEST(StatsText, FiguresPrintAsThePanelShowsThem) {
  const auto values = stats_text_values({360'000 + 62, 12.345f, 81.0f, 1000, 1'000'000, 7});
  EXPECT_EQ(values[0], "100:01:02");  // hours are not wrapped
  EXPECT_EQ(values[1], "12.35%    ");
  EXPECT_EQ(values[2], "81.00%    ");
  EXPECT_EQ(values[3], "1000    ");
  EXPECT_EQ(values[4], "1000000    ");
  EXPECT_EQ(values[5], "7    ");
  EXPECT_EQ(stats_text_values({})[0], "00:00:00");
}

class StatsPanelTest : public model_test {
 protected:
  void update() { ui_message_send(&panel, STATS_MSG_UPDATE, network); }
  const std::array<std::string, STATS_LINES>& shown() const { return panel.view().values(); }

  static std::int64_t now() { return static_cast<std::int64_t>(std::time(nullptr)); }
  stats_panel panel{nullptr, STATS_MSG_UPDATE, now() - 100 * 3600};
};

TEST_F(StatsPanelTest, TheFirstUpdateMakesPeakAndMeanTheLoad) {
  network->load = 30;
  network->pkts_sec2 = 1200;
  network->bytes_sec2 = 640'000;
  network->dropped = 3;
  update();
  EXPECT_EQ(network->peak_load, 30);
  EXPECT_FLOAT_EQ(network->avg_load, 30.0f);
  EXPECT_EQ(shown()[0].substr(0, 8), "100:00:0");  // the program started 100 hours ago
  EXPECT_EQ(shown()[1], "30.00%    ");
  EXPECT_EQ(shown()[2], "30.00%    ");
  EXPECT_EQ(shown()[3], "1200    ");
  EXPECT_EQ(shown()[4], "640000    ");
  EXPECT_EQ(shown()[5], "3    ");

  network->load = 10;
  update();
  EXPECT_EQ(network->peak_load, 30);  // the peak stays
  EXPECT_FLOAT_EQ(network->avg_load, 20.0f);
  EXPECT_EQ(shown()[1], "20.00%    ");
  EXPECT_EQ(shown()[2], "30.00%    ");
}

TEST_F(StatsPanelTest, TheCaptureThreadPostsAndNeverWaits) {
  network->load = 12;
  const auto post = stats_panel_poster(&panel);
  std::thread capture([&] {
    for (int i = 0; i < 3; ++i) post(*network);
  });
  capture.join();  // returns although the panel has handled nothing yet
  EXPECT_EQ(network->peak_load, 0);
  QCoreApplication::sendPostedEvents(&panel);
  EXPECT_EQ(network->peak_load, 12);
  EXPECT_EQ(shown()[1], "12.00%    ");
}

TEST_F(StatsPanelTest, ItsChildrenSitWhereTheColumnExpectsThem) {
  panel.resize(165, 97);
  panel.show();
  EXPECT_EQ(panel.findChild<QGroupBox*>()->geometry(), QRect(5, 0, 145, 97));
  EXPECT_EQ(panel.view().geometry(), QRect(10, 15, 135, 79));
  EXPECT_EQ(panel.view().picture().size(), QSize(135, 79));
  network->load = 17;
  network->pkts_sec2 = 245;
  network->bytes_sec2 = 81'920;
  update();
  network->load = 23;
  update();
  ui_save_shot(panel, "ui_stats_panel");
}

// ---- The adapter dialog --------------------------------------------------------------------

const std::vector<adapter_desc> ADAPTERS{
    {"eth0", "Intel PRO/100", NETTYPE_ETHERNET, 100'000'000},
    {"tr0", "IBM Token-Ring 16/4", NETTYPE_TOKEN_RING, 16'000'000},
    {"wlan0", "Wireless", NETTYPE_ETHERNET, 54'000'000},
};

TEST(AdapterDialog, ShowsOneRowPerAdapterUnderThreeColumns) {
  adapter_dialog_box box(nullptr, ADAPTERS, 1);
  QTreeWidget& list = box.list();
  ASSERT_EQ(list.columnCount(), 3);
  EXPECT_EQ(list.headerItem()->text(0), "Адаптер");
  EXPECT_EQ(list.headerItem()->text(1), "Содержание");
  EXPECT_EQ(list.headerItem()->text(2), "Link Speed");
  EXPECT_EQ(list.columnWidth(1), 250);
  ASSERT_EQ(list.topLevelItemCount(), 3);
  EXPECT_EQ(list.topLevelItem(1)->text(0), "tr0");
  EXPECT_EQ(list.topLevelItem(1)->text(1), "IBM Token-Ring 16/4");
  EXPECT_EQ(list.topLevelItem(0)->text(2), "100Mb");
  EXPECT_EQ(list.topLevelItem(1)->text(2), "16Mb");
  EXPECT_EQ(list.topLevelItem(2)->text(2), "Unknown");
  EXPECT_EQ(box.selected_row(), 1U);
  EXPECT_EQ(list.currentItem(), list.topLevelItem(1));
  box.show();
  ui_save_shot(box, "ui_adapter_dialog");
}

TEST(AdapterDialog, AStoredIndexBeyondTheListSelectsTheFirstRow) {
  for (const std::size_t stored : {3U, 7U}) {
    adapter_dialog_box box(nullptr, ADAPTERS, stored);
    EXPECT_EQ(box.selected_row(), 0U) << stored;
  }
  adapter_dialog_box none(nullptr, {}, 0);  // no adapters: nothing to select, nothing breaks
  EXPECT_EQ(none.selected_row(), std::nullopt);
  none.accept();
  EXPECT_EQ(none.chosen(), 0U);
}

TEST(AdapterDialog, OkTakesTheSelectedRowAndOtherwiseTheCurrentIndexStays) {
  {
    adapter_dialog_box box(nullptr, ADAPTERS, 2);
    box.list().setCurrentItem(box.list().topLevelItem(0));
    box.accept();
    EXPECT_EQ(box.chosen(), 0U);
  }
  {
    adapter_dialog_box box(nullptr, ADAPTERS, 2);
    box.list().clearSelection();
    box.accept();
    EXPECT_EQ(box.chosen(), 2U);  // OK with nothing selected
  }
  {
    adapter_dialog_box box(nullptr, ADAPTERS, 2);
    box.list().setCurrentItem(box.list().topLevelItem(1));
    box.reject();
    EXPECT_EQ(box.chosen(), 2U);  // Cancel
  }
}

}  // namespace
}  // namespace nw::test
