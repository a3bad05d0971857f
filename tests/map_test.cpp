// The network map: hosts on the circle, their discs and labels, links by width and colour,
// dynamic mode, exclusive-or hosts under solid links, the window's size, zoom and marks, label
// rescaling, and the demo LAN drawn whole.
#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

#include "capture/frame.h"
#include "core/hfont.h"
#include "core/hutil.h"
#include "core/message.h"
#include "draw/draw.h"
#include "image_test_support.h"
#include "map_test_support.h"
#include "map/display.h"
#include "map/map_settings.h"
#include "map/map_view.h"
#include "map/palette.h"
#include "map/zoom_marks.h"
#include "model/linkstat.h"
#include "model_test_support.h"
#include "pdl/pd.h"
#include "pdl/pdl.h"
#include "tools/demo_lan.h"

namespace nw::test {
namespace {

const QRgb BLACK = qRgb(0, 0, 0);
const QRgb WHITE = qRgb(255, 255, 255);

QRgb protocol_rgb(int k) {
  const std::uint32_t word = palette_defaults()[static_cast<std::size_t>(k)];
  return qRgb(static_cast<int>(word & 0xFF), static_cast<int>(word >> 8 & 0xFF), static_cast<int>(word >> 16 & 0xFF));
}

// A 520 × 260 map: world x -2.6..2.6, y -1.3..1.3, 100 pixels a unit, so world (x, y) lies in
// column 100 (x + 2.6) and row 100 (1.3 - y).
class MapTest : public model_test {
 protected:
  void SetUp() override {
    model_test::SetUp();
    ASSERT_NO_FATAL_FAILURE(map_modules_reset_with_font());
    message_set_hook([this](const message& m) { messages.push_back(m.text); });
    map_open(520, 260);
    ASSERT_EQ(map_resize(520, 260), 200);
    palette_apply(palette_defaults());
    set_font_size(0.5f);
  }
  void TearDown() override {
    link_set_focus(nullptr);
    map_view_reset();
    zoom_marks_reset();
    draw_reset();
    hfont_reset();
    message_set_hook(nullptr);
    model_test::TearDown();
  }

  // A host sending kib KiB a second on average; active.
  node& host(std::uint8_t last, double kib = 0.5) {
    node& h = *node_create(*network, mac_of(last));
    hold_means(network->host_averages, h.number, 0, kib * 1024);
    h.active = 1;
    return h;
  }
  link& link_of(node& s, node& d, double kib, std::int32_t focus_color = -1) {
    link& l = *link_create(s, d);
    hold_means(network->link_averages, l.number, 0, kib * 1024);
    l.active = 1;
    l.focus_color = static_cast<std::int8_t>(focus_color);
    return l;
  }

  const QImage& drawn() {
    model_lock lock;
    std::lock_guard display(map_display_mutex());
    map_draw(*network);
    return map_image();
  }

  static int column(double x) { return static_cast<int>(std::floor((x + 2.6) * 100)); }
  static int row(double y) { return static_cast<int>(std::floor((1.3 - y) * 100)); }
  static QRgb at(const QImage& image, double x, double y) { return image.pixel(column(x), row(y)); }

  std::vector<std::string> messages;
};

TEST_F(MapTest, HostsSitOnTheCircleInHostListOrder) {
  for (const int last : {5, 1, 9, 3, 7}) host(static_cast<std::uint8_t>(last), 10);
  const QImage& image = drawn();
  ASSERT_EQ(network->host_list.size(), 5U);
  for (std::size_t i = 0; i < 5; ++i) {
    const node& h = *network->host_list[i];
    EXPECT_EQ(netaddr_bytes(h.mac)[5], 1 + 2 * i);  // ascending hardware address
    const double theta = 2 * std::numbers::pi / 5 * static_cast<double>(i);
    EXPECT_NEAR(h.map_x, 0.8 * std::cos(theta), 1e-9) << i;
    EXPECT_NEAR(h.map_y, 0.8 * std::sin(theta), 1e-9) << i;
    EXPECT_EQ(at(image, h.map_x, h.map_y), WHITE) << i;
    EXPECT_EQ(h.active, 0) << "drawing clears the host's active flag";
  }
}

TEST_F(MapTest, LabelModesChooseTheirNameOrTheHardwareAddress) {
  node& bare = host(1);
  label_set(bare.ip_label, "10.0.0.1");
  node& named = host(2);
  label_set(named.local_label, "desk");
  label_set(named.ip_label, "10.0.0.2");
  label_set(named.dns_label, "desk.lan");
  node& resolved = host(3);
  label_set(resolved.ip_label, "10.0.0.3");
  label_set(resolved.dns_label, "srv.lan");
  const auto shown = [](const node& h, std::vector<std::uint32_t> modes) {
    std::vector<std::string> texts;
    for (const std::uint32_t m : modes) texts.emplace_back(map_host_label(h, m).text.data());
    return texts;
  };
  const std::string mac = bare.mac_label.text.data();
  using texts = std::vector<std::string>;
  // Modes 0 local, 1 IP address, 2 hardware address, 3 IP name, 4 best; 99 is unknown.
  EXPECT_EQ(shown(bare, {0, 1, 2, 3, 4}), (texts{mac, "10.0.0.1", mac, mac, "10.0.0.1"}));
  EXPECT_EQ(shown(named, {0, 1, 3, 4, 99}), (texts{"desk", "10.0.0.2", "desk.lan", "desk", "desk"}));
  EXPECT_EQ(shown(resolved, {4}), texts{"srv.lan"});
}

// Labels "T" and a few spaces: the T must stand upright at the start of the text, which on the
// right of the circle lies next to the disc and on the left at the far end from it.
TEST_F(MapTest, LabelsReadLeftToRightOnBothHalves) {
  set_font_size(2.0f);  // capitals 0.12 high: 12 pixels
  node& right = host(1);
  node& left = host(2);
  for (node* h : {&right, &left}) label_set(h->local_label, "T    ");
  const QImage& image = drawn();
  ASSERT_NEAR(left.map_x, -0.8, 1e-9);

  const double d = 0.5 * 0.01 * 0.2 + 0.8 + 0.003;  // 0.5 KiB/s sent
  const double wl = static_cast<double>(right.local_label.width);
  htextsize(0.12f, 0.12f);
  const double t_width = static_cast<double>(text_width("T"));
  const struct {
    const char* side;
    double start;  // world x where the text starts
    QRect area;
  } sides[] = {{"right", d, QRect(column(0.805), 0, 200, 260)},
               {"left", -(d + wl), QRect(0, 0, column(-0.805), 260)}};
  for (const auto& s : sides) {
    const QRect ink = ink_bounds(image, s.area, WHITE);
    ASSERT_FALSE(ink.isEmpty()) << s.side;
    EXPECT_GE(ink.left(), column(s.start)) << s.side;
    EXPECT_LE(ink.right(), column(s.start + t_width)) << s.side;
    // Centred on the radius: the baseline 0.06 below it, the capital's top 0.06 above.
    EXPECT_EQ(ink.top(), row(0.06)) << s.side;
    EXPECT_EQ(ink.bottom(), row(-0.06)) << s.side;
    // Upright: the bar at the top, the stem below.
    EXPECT_GE(ink_count(image, QRect(ink.left(), ink.top(), ink.width(), 1), WHITE), 6) << s.side;
    EXPECT_LE(ink_count(image, QRect(ink.left(), ink.bottom(), ink.width(), 1), WHITE), 2) << s.side;
  }
}

TEST_F(MapTest, DiscFollowsTrafficUpToItsLimitButTheLabelDoesNot) {
  node& h = host(1, 100);
  label_set(h.local_label, "T");
  const struct {
    std::uint32_t bytes;
    double max_radius;
    double radius;
    double label_at;
  } cases[] = {{1, 0.5, 0.2, 0.2 + 0.8 + 0.003},  // 100 KiB/s × 0.01 × node scale 0.2
               {1, 0.1, 0.1, 0.2 + 0.8 + 0.003},
               {0, 0.5, 0.1, 0.1 + 0.8 + 0.02}};  // 50 frames/s × 0.01 × 0.2
  hold_means(network->host_averages, h.number, 50, 100 * 1024);
  for (const auto& c : cases) {
    map_config().bytes = c.bytes;
    map_config().max_node_radius = c.max_radius;
    h.active = 1;
    const QImage& image = drawn();
    EXPECT_NEAR(vertical_run(image, column(0.8), row(0), WHITE), 2 * c.radius * 100, 1) << c.max_radius;
    const QRect label = ink_bounds(image, QRect(column(0.8 + c.radius) + 1, 0, 200, 260), WHITE);
    EXPECT_GE(label.left(), column(c.label_at)) << c.max_radius;
    EXPECT_LE(label.left(), column(c.label_at) + 2) << c.max_radius;
  }
}

TEST_F(MapTest, LinkWidthFollowsMeanBytesAndColourItsFocusProtocol) {
  link& l = link_of(host(1), host(2), 0, 3);  // from (0.8, 0) to (-0.8, 0)
  const struct {
    double kib, scale;
    int expected;
  } widths[] = {{50, 0.6, 30}, {200, 0.6, 100} /* "max link width" */, {20, 0.0, 20} /* KiB/s */,
                {3.3, 1.0, 3} /* truncated */, {0.2, 0.6, 1} /* 0: thin */};
  for (const auto& c : widths) {
    hold_means(network->link_averages, l.number, 0, c.kib * 1024);
    map_config().link_scale = c.scale;
    EXPECT_EQ(vertical_run(drawn(), column(0), row(0), protocol_rgb(3)), c.expected) << c.kib;
  }
  map_config().max_link_width = 10;
  hold_means(network->link_averages, l.number, 0, 50 * 1024);
  EXPECT_EQ(vertical_run(drawn(), column(0), row(0), protocol_rgb(3)), 10);
  // Colour 40 without a protocol colour, and for a colour number no protocol colour has.
  for (const std::int32_t focus : {-1, 33, 57}) {
    l.focus_color = static_cast<std::int8_t>(focus);
    EXPECT_EQ(at(drawn(), 0, 0), protocol_rgb(32)) << focus;
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(MapTest, DynamicModeHidesInactiveHostsAndLinksButKeepsTheAngles) {
  node& a = host(1, 10);
  node& quiet = host(2, 10);
  node& c = host(3, 10);
  link& l = link_of(a, c, 5, 2);
  const auto draw_with = [&](std::uint32_t dynamic) -> const QImage& {
    map_config().dynamic = dynamic;
    a.active = c.active = 1;
    quiet.active = 0;
    l.active = 0;
    return drawn();
  };
  const double mid_x = (0.8 + 0.8 * std::cos(4 * std::numbers::pi / 3)) / 2;
  const double mid_y = 0.8 * std::sin(4 * std::numbers::pi / 3) / 2;

  const QImage& dynamic = draw_with(1);
  EXPECT_NEAR(c.map_x, 0.8 * std::cos(4 * std::numbers::pi / 3), 1e-9);  // the gap stays
  EXPECT_EQ(at(dynamic, quiet.map_x, quiet.map_y), BLACK);
  EXPECT_EQ(at(dynamic, c.map_x, c.map_y), WHITE);
  EXPECT_EQ(at(dynamic, mid_x, mid_y), BLACK);

  const QImage& cumulative = draw_with(0);
  EXPECT_EQ(at(cumulative, quiet.map_x, quiet.map_y), WHITE);
  EXPECT_EQ(at(cumulative, mid_x, mid_y), protocol_rgb(2));
}

// Drawing a host clears its flag, and the next ageing pass says again whether it is active:
// a host that sleeps between its frames must still be looked at after each redraw.
TEST_F(MapTest, AHostDrawnInDynamicModeShowsAgainAfterTheNextPassWhileActive) {
  node& h = host(1, 10);
  map_config().dynamic = 1;
  h.last_tx = capture_time{100, 0};
  model_set_now(capture_time{101, 0});
  net_age(*network);
  for (int redraw = 0; redraw < 3; ++redraw) {
    ASSERT_EQ(h.active, 1) << redraw;
    const QImage& image = drawn();  // places the host
    EXPECT_EQ(at(image, h.map_x, h.map_y), WHITE) << redraw;
    EXPECT_EQ(h.active, 0);
    net_age(*network);
  }
  model_set_now(capture_time{111, 0});  // past the node time-out
  net_age(*network);
  EXPECT_EQ(h.active, 0);
  const QImage& image = drawn();
  EXPECT_EQ(at(image, h.map_x, h.map_y), BLACK);
}

TEST_F(MapTest, OverlappingDiscsCancelAndLinksStaySolid) {
  map_config().max_node_radius = 1.0;
  node& a = host(1, 500);  // radius 1.0
  node& b = host(2, 500);
  link_of(a, b, 5, 1);
  const QImage& image = drawn();
  EXPECT_EQ(at(image, 0, 0.5), BLACK);   // inside both discs
  EXPECT_EQ(at(image, -1.2, 0), WHITE);  // inside one
  EXPECT_EQ(at(image, 1.2, 0), WHITE);
  EXPECT_EQ(at(image, 0, 0), protocol_rgb(1));  // the link over both
}

TEST_F(MapTest, SizeChangesSetTheAspectCorrectWorld) {
  std::lock_guard display(map_display_mutex());
  const struct {
    int w, h, aspect;
    double x, y;  // the world's half width and half height
  } cases[] = {{520, 260, 200, 2.6, 1.3}, {260, 520, 50, 1.3, 2.6}, {300, 300, 100, 1.3, 1.3},
               {333, 100, 333, 1.3 * 3.33, 1.3}, {100, 333, 30, 1.3, 1.3 * 3.33},
               {700, 350, 200, 2.6, 1.3}};
  for (const auto& c : cases) {
    EXPECT_EQ(map_resize(c.w, c.h), c.aspect) << c.w << "x" << c.h;
    const map_world w = map_current_world();
    EXPECT_NEAR(w.left, -c.x, 1e-12);
    EXPECT_NEAR(w.right, c.x, 1e-12);
    EXPECT_NEAR(w.bottom, -c.y, 1e-12);
    EXPECT_NEAR(w.top, c.y, 1e-12);
  }
  // The picture grew with the window, and the map fills it to the right edge.
  EXPECT_GE(map_image().width(), 700);
  EXPECT_GE(map_image().height(), 520);
  color(7);
  move2(2.5, 0);
  draw2(2.6, 0);
  draw_flush();
  EXPECT_EQ(map_image().pixel(699, 175), WHITE);
}

// A zoom shows part of the whole -1.3..1.3 map; a size change ends it, and a zero size
// suspends drawing until the next size.
TEST_F(MapTest, ZoomAndSuspension) {
  node& h = host(1, 10);  // at (0.8, 0)
  const auto draw_at = [&](int x, int y) {
    h.active = 1;
    return drawn().pixel(x, y);
  };
  std::unique_lock display(map_display_mutex());
  map_zoom({50, 30, 100, 70});  // x 0..1.3 over 520 pixels, y -0.52..0.52 over 260
  map_zoom({40, 30, 40, 70});   // no width: refused
  display.unlock();
  EXPECT_EQ(messages, std::vector<std::string>{"ortho2: left clipping plane same as right one."});
  EXPECT_EQ(draw_at(320, 130), WHITE);

  display.lock();
  EXPECT_EQ(map_resize(0, 260), -1);
  EXPECT_TRUE(map_suspended());
  display.unlock();
  EXPECT_EQ(draw_at(320, 130), WHITE);  // the last picture stays
  EXPECT_EQ(h.active, 1);               // and nothing was drawn

  display.lock();
  EXPECT_EQ(map_resize(520, 260), 200);
  EXPECT_FALSE(map_suspended());
  display.unlock();
  EXPECT_EQ(draw_at(column(0.8), row(0)), WHITE);
  EXPECT_EQ(ink_count(map_image(), QRect(300, 120, 30, 20), WHITE), 0);  // the zoomed disc is gone
}

TEST_F(MapTest, ZoomBoxMarksEveryDrawnHostAfterThePaint) {
  const QRectF mark = zoom_mark_rect(0, 0, 0.1, 130, 130);
  EXPECT_EQ(mark, QRectF(60, 60, 10, 10));
  EXPECT_EQ(zoom_mark_rect(-1.3, 1.3, 0.0, 130, 130), QRectF(-1, -1, 2, 2));  // at least 2 pixels

  zoom_marks_resize(130, 130);
  host(1, 100);  // (0.8, 0), radius 0.2: a disc 20 pixels across at (105, 65)
  (void)drawn();
  std::lock_guard display(map_display_mutex());
  EXPECT_EQ(zoom_marks_shown().pixel(105, 65), BLACK);  // not before the paint
  zoom_marks_refresh();
  EXPECT_EQ(zoom_marks_shown().pixel(105, 65), WHITE);
  EXPECT_EQ(zoom_marks_shown().pixel(105, 77), BLACK);
  EXPECT_EQ(zoom_marks_shown().pixel(25, 65), BLACK);
  zoom_marks_refresh();  // no redraw since: no marks
  EXPECT_EQ(zoom_marks_shown().pixel(105, 65), BLACK);
}

TEST_F(MapTest, RescaleMeasuresNameLabelsAtTheNewFontSize) {
  node& h = host(1);
  label_set(h.local_label, "Бухгалтерия");
  label_set(h.manuf_label, "Acme");
  const name_label manufacturer = h.manuf_label;
  set_font_size(1.5f);  // labels 0.09 high
  {
    model_lock lock;
    std::lock_guard display(map_display_mutex());
    rescale_labels(*network);
  }
  for (const name_label* l : {&h.local_label, &h.mac_label}) {
    EXPECT_FLOAT_EQ(l->width, text_width(l->text.data()));
    EXPECT_FLOAT_EQ(l->height, 0.09f);
  }
  EXPECT_EQ(h.dns_label.height, 0.0f);  // no name: stays 0 × 0
  EXPECT_EQ(h.manuf_label.width, manufacturer.width);
  EXPECT_EQ(h.manuf_label.height, manufacturer.height);
}

// At font size 3 the label is 0.18 high and the manufacturer line, 0.075 high, has its
// baseline 0.06 × 3 × 3 / 2 = 0.27 below the label's.
TEST_F(MapTest, ManufacturerLineUnderTheLabel) {
  set_font_size(3.0f);
  node& h = host(1);
  label_set(h.local_label, "HOST");
  const auto ink = [&](std::uint32_t show) {
    map_config().show_manufacturers = show;
    h.active = 1;
    return ink_bounds(drawn(), QRect(column(0.81), 0, 200, 260), WHITE);
  };
  // Without a manufacturer line the label is centred on the radius (baseline at -0.09); with
  // one it moves up by 0.0015 to make room.
  const QRect unknown = ink(1);
  EXPECT_NEAR(unknown.bottom(), row(-0.0885), 1);
  label_set(h.manuf_label, "ACME");
  const QRect hidden = ink(0);
  EXPECT_NEAR(hidden.bottom(), row(-0.09), 1);
  EXPECT_NEAR(hidden.top(), row(0.09), 1);
  const QRect shown = ink(1);
  EXPECT_NEAR(shown.top(), row(0.0915), 1);
  EXPECT_NEAR(shown.bottom(), row(-0.0885 - 0.27), 1);
  EXPECT_GT(ink_count(map_image(), QRect(column(0.81), row(-0.0885 - 0.27 + 0.075), 200, 8), WHITE), 10);
}

// ---- The colour block -----------------------------------------------------------------------

class PaletteTest : public MapTest {
 protected:
  struct closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  using file = std::unique_ptr<std::FILE, closer>;

  static file with_words(const std::vector<std::uint32_t>& words, int trailing = -1) {
    file f(std::tmpfile());
    for (const std::uint32_t w : words) {
      for (int shift = 0; shift < 32; shift += 8) std::fputc(static_cast<int>(w >> shift & 0xFF), f.get());
    }
    if (trailing >= 0) std::fputc(trailing, f.get());
    std::rewind(f.get());
    return f;
  }
  // What colour 8 + k paints now.
  QRgb device_colour(int k) {
    std::lock_guard display(map_display_mutex());
    color(PALETTE_FIRST_INDEX + k);
    clear();
    draw_flush();
    return map_image().pixel(0, 0);
  }
};

TEST_F(PaletteTest, WriteThenReadGivesTheSameColoursAndTheDrawingLibraryUsesThem) {
  palette_table written = palette_defaults();
  written[0] = palette_word(0x12, 0x34, 0x56);
  written[32] = palette_word(1, 2, 3);
  file f(std::tmpfile());
  ASSERT_EQ(palette_write(f.get(), written), 1);
  EXPECT_EQ(std::ftell(f.get()), 4 + 33 * 4);
  std::fputc('F', f.get());  // the focus records follow the block
  std::rewind(f.get());
  std::uint8_t head[8];  // the count, then red, green, blue and a zero
  ASSERT_EQ(std::fread(head, 1, 8, f.get()), 8U);
  EXPECT_EQ(std::vector<std::uint8_t>(head, head + 8), (std::vector<std::uint8_t>{33, 0, 0, 0, 0x12, 0x34, 0x56, 0}));
  std::rewind(f.get());
  palette_table read{};
  ASSERT_EQ(palette_read(f.get(), read), 1);
  EXPECT_EQ(read, written);
  EXPECT_EQ(std::fgetc(f.get()), 'F');
  EXPECT_EQ(device_colour(0), qRgb(0x12, 0x34, 0x56));
  EXPECT_EQ(device_colour(32), qRgb(1, 2, 3));

  // A shorter block replaces its own colours only.
  file two = with_words({2, palette_word(9, 8, 7), palette_word(6, 5, 4)}, 'X');
  ASSERT_EQ(palette_read(two.get(), read), 1);
  EXPECT_EQ(read[1], palette_word(6, 5, 4));
  EXPECT_EQ(read[32], written[32]);
  EXPECT_EQ(std::fgetc(two.get()), 'X');
  EXPECT_EQ(device_colour(1), qRgb(6, 5, 4));
  EXPECT_EQ(device_colour(2), protocol_rgb(2));
  EXPECT_TRUE(messages.empty());
}

TEST_F(PaletteTest, MalformedBlocksAreRefusedAndChangeNothing) {
  const struct {
    const char* fault;
    std::vector<std::uint32_t> words;
    const char* message;
  } cases[] = {
      {"count above 33", {34, 0x00FFFFFF}, "palette_read: Header greater than 33\n"},
      {"huge count", {0xFFFFFFFF}, "palette_read: Header greater than 33\n"},
      {"cut short", {33, 0x00FFFFFF, 0x00FFFFFF}, "palette_read: the colour block ends after 2 of its 33 colours"},
      {"empty file", {}, "palette_read: the colour block is missing"},
  };
  for (const auto& c : cases) {
    messages.clear();
    palette_table colours = palette_defaults();
    file f = with_words(c.words);
    EXPECT_EQ(palette_read(f.get(), colours), 0) << c.fault;
    EXPECT_EQ(colours, palette_defaults()) << c.fault;
    EXPECT_EQ(device_colour(0), protocol_rgb(0)) << c.fault;
    ASSERT_EQ(messages.size(), 1U) << c.fault;
    EXPECT_EQ(messages[0], c.message);
  }
  palette_table colours{};
  EXPECT_EQ(palette_read(nullptr, colours), 0);
  // A stream open for reading refuses the write.
  file f(std::fopen("/dev/null", "rb"));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(palette_write(f.get(), colours), 0);
}

// ---- The demo LAN, drawn as the capture thread draws it ------------------------------------

TEST_F(MapTest, DemoLanMapShowsEveryStation) {
  ASSERT_NE(pdl_load(NODEWREN_SOURCE_DIR "/data/protocol.pdl"), nullptr);
  net* lan = net_new(adapter_desc{"demo", "demo LAN", NETTYPE_ETHERNET});
  ASSERT_NE(lan->media, nullptr);
  const struct {
    const char* path;
    std::int32_t colour;
  } focus_protocols[] = {{"ROOT\\ETHERNET\\ETHER2\\IP\\TCP", 0},  {"ROOT\\ETHERNET\\ETHER2\\IP\\UDP", 10},
                         {"ROOT\\ETHERNET\\ETHER2\\ARP", 5},       {"ROOT\\ETHERNET\\ETHER2\\IPV6", 13},
                         {"ROOT\\ETHERNET\\ETHER2\\IP\\ICMP", 3},  {"ROOT\\ETHERNET\\ETHER2\\IPX_ETYPE", 8},
                         {"ROOT\\ETHERNET\\IEEE802_3", 20}};
  protocol_focus focus;
  for (const auto& p : focus_protocols) {
    const protocol_node* proto = pd_find_path(pdl_root(), p.path);
    ASSERT_NE(proto, nullptr) << p.path;
    focus.entries.push_back({proto, p.colour});
  }
  link_set_focus(&focus);
  // Local names for a few stations; the others show their IP address or hardware address.
  const std::pair<std::uint8_t, const char*> local_names[] = {{1, "GATEWAY"}, {10, "FILES"}, {20, "PRINTER"}, {104, "ANNA-PC"}};
  for (const auto& [last, name] : local_names) {
    const netaddr hw = make_addr(NETADDR_ETHER, {0x02, 0x4E, 0x57, 0x10, 0x00, last});
    name_record record;
    record.hw = hw;
    record.local_name = name;
    names.records[netaddr_to_text_new(hw)] = record;
  }

  std::int64_t aged_second = 0;
  for (const demo::demo_frame& f : demo::demo_lan_frames()) {
    const auto second = static_cast<std::int64_t>(f.time_us / 1'000'000);
    model_lock lock;
    if (aged_second != 0 && second != aged_second) net_age(*lan);  // one pass a second
    aged_second = second;
    const frame_header h{capture_time{static_cast<std::int32_t>(second), static_cast<std::int32_t>(f.time_us % 1'000'000)},
                         static_cast<std::uint32_t>(f.octets.size())};
    (void)netif_ether_frame(*lan, h, f.octets);
  }
  QImage picture;
  {
    model_lock lock;
    net_age(*lan);
    std::lock_guard display(map_display_mutex());
    map_close();
    map_open(1100, 800);
    EXPECT_EQ(map_resize(1100, 800), 137);
    map_config().dynamic = 0;  // every station and link seen, not only the last seconds'
    map_draw(*lan);
    picture = map_image().copy();
  }
  EXPECT_TRUE(picture.save("/tmp/nodewren-map.png"));

  ASSERT_GE(lan->host_list.size(), 24U);
  for (const auto& h : lan->host_list) EXPECT_NEAR(std::hypot(h->map_x, h->map_y), 0.8, 1e-9);
  // Links in several protocol colours, and the no-focus colour for the rest.
  int colours_seen = 0;
  for (int k : {0, 10, 5, 13, 32}) colours_seen += ink_count(picture, picture.rect(), protocol_rgb(k)) > 0 ? 1 : 0;
  EXPECT_GE(colours_seen, 4);
  EXPECT_GT(ink_count(picture, picture.rect(), WHITE), 2000);
}

}  // namespace
}  // namespace nw::test
