// Token Ring MAC frames: event texts, label colours, the event switches and their stored block,
// and frames cut short or lying about their lengths.
#include <cstdint>
#include <ctime>
#include <memory>
#include <initializer_list>
#include <string>
#include <vector>

#include "capture/trmac.h"
#include "core/settings_store.h"
#include "model_test_support.h"
#include "output/event_list.h"
#include "tests/alloc_counter.h"

namespace nw::test {
namespace {

using octets = std::vector<std::uint8_t>;

// One subvector: its length octet counts the two header octets.
octets sub(std::uint8_t identifier, std::initializer_list<std::uint8_t> value) {
  octets s{static_cast<std::uint8_t>(value.size() + 2), identifier};
  s.insert(s.end(), value.begin(), value.end());
  return s;
}

// A major vector: length (most significant octet first), class, identifier, subvectors.
octets vector_of(std::uint8_t identifier, std::initializer_list<octets> subvectors = {}) {
  octets v{0, 0, 0x00, identifier};
  for (const octets& s : subvectors) v.insert(v.end(), s.begin(), s.end());
  v[0] = static_cast<std::uint8_t>(v.size() >> 8);
  v[1] = static_cast<std::uint8_t>(v.size());
  return v;
}

// A MAC frame: access control, frame control (MAC frame), destination, source, routing
// information when given (the source's top bit then says it is there), the major vector.
octets frame_of(const node& dst, const node& src, const octets& vector, const octets& routing = {}) {
  octets f{0x10, 0x00};
  f.insert(f.end(), netaddr_bytes(dst.mac), netaddr_bytes(dst.mac) + 6);
  f.insert(f.end(), netaddr_bytes(src.mac), netaddr_bytes(src.mac) + 6);
  if (!routing.empty()) f[8] |= 0x80;
  f.insert(f.end(), routing.begin(), routing.end());
  f.insert(f.end(), vector.begin(), vector.end());
  return f;
}

std::vector<std::string> event_texts() {
  std::vector<std::string> texts;
  for (const output_line& line : output_event_list().lines()) texts.push_back(line.text);
  return texts;
}

void set_all_flags(bool on) {
  for (std::size_t i = 0; i < TRMAC_FLAGS; ++i) trmac_set_flag(i, on);
}

std::vector<std::int32_t> label_states(const node& h) {
  return {h.ip_label.state, h.dns_label.state, h.local_label.state, h.mac_label.state, h.manuf_label.state};
}

// A ring with a named station ws12 (the frames' usual source), ws7 and one with no name.
class TrMac : public model_test {
 protected:
  void SetUp() override {
    model_test::SetUp();
    output_lists_reset();
    memory_settings fresh;
    trmac_load_defaults(fresh);
    ring = net_new(adapter_desc{"tr0", "test", NETTYPE_TOKEN_RING});
    ws12 = node_create(*ring, make_addr(NETADDR_TR, {0x10, 0x00, 0x5A, 0x4C, 0x22, 0x01}));
    ws7 = node_create(*ring, make_addr(NETADDR_TR, {0x10, 0x00, 0x5A, 0x4C, 0x22, 0x07}));
    bare = node_create(*ring, make_addr(NETADDR_TR, {0x10, 0x00, 0x5A, 0x4C, 0x22, 0x09}));
    node_set_local_name(*ws12, "ws12");
    node_set_local_name(*ws7, "ws7");
  }
  void TearDown() override {
    output_lists_reset();
    memory_settings fresh;
    trmac_load_defaults(fresh);
    model_test::TearDown();
  }

  // As the capture thread calls it: under the model lock, the frame in a block of its own size
  // so that AddressSanitizer sees any read past its end.
  void decode(const octets& frame, node* src = nullptr, node* dst = nullptr) {
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[frame.size()]);
    std::copy(frame.begin(), frame.end(), exact.get());
    model_lock lock;
    trmac_frame(*ring, src != nullptr ? *src : *ws12, dst != nullptr ? *dst : *ws7,
                std::span<const std::uint8_t>(exact.get(), frame.size()));
  }
  void decode_vector(const octets& vector) { decode(frame_of(*ws7, *ws12, vector)); }

  net* ring = nullptr;
  node* ws12 = nullptr;
  node* ws7 = nullptr;
  node* bare = nullptr;
};

TEST_F(TrMac, OneNameEventsNameTheSourceOrTheDestination) {
  const struct {
    std::uint8_t id;
    const char* text;
  } cases[] = {{0x03, "CL_TK [ws12]"},       {0x04, "PURGE [ws12]"},   {0x05, "AMP [ws12]"},
               {0x06, "SMP [ws12]"},         {0x07, "DAT [ws12:ws7]"}, {0x08, "LMT [ws12]"},
               {0x0B, "REM [ws7]"},          {0x0C, "CHNG PARAMS [ws7]"}, {0x0D, "INIT [ws7]"},
               {0x25, "NEW AM [ws12]"},      {0x26, "SUA CHG [ws12]"}};
  for (const auto& c : cases) {
    output_lists_reset();
    decode_vector(vector_of(c.id));
    EXPECT_EQ(event_texts(), std::vector<std::string>{c.text}) << "vector " << int{c.id};
  }
  // A host with no name is shown by its hardware address; the line has the wall-clock time.
  output_lists_reset();
  const auto before = static_cast<std::uint32_t>(std::time(nullptr));
  decode(frame_of(*ws7, *bare, vector_of(0x03)), bare);
  const auto lines = output_event_list().lines();
  ASSERT_EQ(lines.size(), 1U);
  EXPECT_EQ(lines[0].text, "CL_TK [10:00:5A:4C:22:09]");
  EXPECT_GE(lines[0].time, before);
  EXPECT_LE(lines[0].time, static_cast<std::uint32_t>(std::time(nullptr)));
  EXPECT_EQ(output_alarm_list().size(), 0U);
}

// The frame path allocates nothing, even once the event list drops its oldest lines.
TEST_F(TrMac, DecodingAllocatesNothing) {
  std::vector<octets> frames;
  for (std::uint8_t id : octets{0x02, 0x04, 0x05, 0x07, 0x09, 0x27, 0x28})
    frames.push_back(frame_of(*ws7, *ws12, vector_of(id, {sub(0x0A, {1, 2, 3, 4, 5, 6}), sub(0x30, {0, 9})})));
  const octets counts = vector_of(0x29, {sub(0x2D, {9, 9, 9, 9, 9, 9}), sub(0x2E, {9, 9, 9, 9, 9, 9})});
  frames.push_back(frame_of(*ws7, *ws12, counts));
  const std::uint64_t before = allocation_count.load();
  {
    model_lock lock;
    for (int round = 0; round < 40; ++round)
      for (const octets& f : frames) trmac_frame(*ring, *ws12, *ws7, f);
  }
  EXPECT_EQ(allocation_count.load() - before, 0U);
  EXPECT_EQ(output_event_list().size(), OUTPUT_LIST_MAX);
}

// Texts read from subvectors. A subvector too short for its value counts as missing, and a
// 16-bit value is read whole (0x0102 is no beacon type even though its low octet is 2).
TEST_F(TrMac, SubvectorTexts) {
  const struct {
    octets vector;
    const char* text;
  } cases[] = {
      {vector_of(0x02, {sub(0x23, {0, 1})}), "BCN 'Reserved' [ws12]"},
      {vector_of(0x02, {sub(0x02, {0, 4}), sub(0x23, {0, 2})}), "BCN 'Cont. J' [ws12]"},
      {vector_of(0x02, {sub(0x23, {0, 3})}), "BCN 'Timer No Claim' [ws12]"},
      {vector_of(0x02, {sub(0x23, {0, 4})}), "BCN 'Timer Claim' [ws12]"},
      {vector_of(0x02, {sub(0x23, {1, 2})}), "BCN 'Undef' [ws12]"},
      {vector_of(0x02, {sub(0x23, {2})}), "BCN [ws12]"},
      {vector_of(0x02), "BCN [ws12]"},
      {vector_of(0x28, {sub(0x30, {0, 1})}), "ERR 'Active Mon.' [ws12]"},
      {vector_of(0x28, {sub(0x30, {0, 2})}), "ERR 'Dup. AM' [ws12]"},
      {vector_of(0x28, {sub(0x30, {0, 3})}), "ERR 'Dup. Addr' [ws12]"},
      {vector_of(0x28, {sub(0x30, {1, 0xAF})}), "ERR 'Undef (0x1af)' [ws12]"},
      {vector_of(0x28), "ERR 'unknown' [ws12]"},
      {vector_of(0x20, {sub(0x23, {1, 2})}), "RQ_INIT [ws12:258]"},
      {vector_of(0x20, {sub(0x0A, {1, 2})}), "RQ_INIT [ws12]"},
      {vector_of(0x27, {sub(0x0A, {0x10, 0x00, 0x5A, 0xDE, 0xAD, 0x0F})}), "RNNI [10:00:5A:DE:AD:0F]"},
      {vector_of(0x27, {sub(0x0A, {0x10, 0x00, 0x5A, 0xDE, 0xAD})}), "RNNI [NO LAST AMP]"},
      {vector_of(0x27), "RNNI [NO LAST AMP]"},
      // Report error: every non-zero counter octet, unsigned, isolating counters first.
      {vector_of(0x29, {sub(0x2D, {3, 0, 0, 0, 0, 0}), sub(0x2E, {0, 0, 0, 0, 1, 0})}), "ERR 'line(3);token(1)' [ws12]"},
      {vector_of(0x29, {sub(0x2D, {0, 0, 0, 0, 0, 0}), sub(0x2E, {0, 0, 0, 0, 0, 0})}), "ERR '' [ws12]"},
      {vector_of(0x29), "ERR '' [ws12]"},
      {vector_of(0x29, {sub(0x2E, {0, 0, 0, 0, 0, 200}), sub(0x2D, {0, 0, 0, 0, 0, 255})}), "ERR 'rsvd(255);rsvd(200)' [ws12]"},
      {vector_of(0x29, {sub(0x2E, {1, 2, 3, 4, 5, 6})}), "ERR 'lost(1);conj(2);copied(3);freq(4);token(5);rsvd(6)' [ws12]"},
      {vector_of(0x29, {sub(0x2D, {1, 1, 1, 1, 1}), sub(0x2E, {0, 7, 0, 0, 0, 0})}), "ERR 'conj(7)' [ws12]"},
      {vector_of(0x29, {sub(0x2D, {9, 9, 9, 9, 9, 9}), sub(0x2E, {9, 9, 9, 9, 9, 9})}),
       "ERR 'line(9);int(9);burst(9);A//C(9);abort(9);rsvd(9);lost(9);conj(9);copied(9);freq(9);token(9);rsvd(9)' [ws12]"},
  };
  for (const auto& c : cases) {
    output_lists_reset();
    decode_vector(c.vector);
    EXPECT_EQ(event_texts(), std::vector<std::string>{c.text});
  }
  // A beacon turns the source's four name labels red; the manufacturer's label stays white.
  EXPECT_EQ(label_states(*ws12), (std::vector<std::int32_t>{1, 1, 1, 1, 7}));
  EXPECT_EQ(label_states(*ws7), (std::vector<std::int32_t>{7, 7, 7, 7, 7}));
}

// Colours change whatever the switches: beacon red, active monitor green, standby yellow; a
// purge, a new active monitor or an upstream-neighbour change makes every label white.
TEST_F(TrMac, LabelColoursIgnoreTheSwitches) {
  set_all_flags(false);
  decode_vector(vector_of(0x02, {sub(0x23, {0, 4})}));
  decode(frame_of(*ws12, *ws7, vector_of(0x05)), ws7, ws12);
  decode(frame_of(*ws12, *bare, vector_of(0x06)), bare, ws12);
  EXPECT_TRUE(event_texts().empty());
  EXPECT_EQ(ws12->local_label.state, 1);
  EXPECT_EQ(ws7->mac_label.state, 2);
  EXPECT_EQ(bare->mac_label.state, 3);
  // Events that colour nothing leave colours alone.
  for (std::uint8_t id : octets{0x03, 0x07, 0x08, 0x0B, 0x0C, 0x0D, 0x20, 0x27, 0x28, 0x29, 0x09}) {
    decode(frame_of(*ws7, *bare, vector_of(id)), bare, ws7);
  }
  EXPECT_EQ(label_states(*bare), (std::vector<std::int32_t>{3, 3, 3, 3, 7}));
  EXPECT_EQ(ws7->mac_label.state, 2);

  for (std::uint8_t id : octets{0x04, 0x25, 0x26}) {
    node_set_label_state(*ws12, 1);
    node_set_label_state(*ws7, 2);
    node_set_label_state(*bare, 3);
    decode(frame_of(*ws12, *ws7, vector_of(id)), ws7, ws12);
    for (const node* h : {ws12, ws7, bare}) EXPECT_EQ(label_states(*h), std::vector<std::int32_t>(5, 7)) << int{id};
  }
}

TEST_F(TrMac, UnknownVectorIsReportedWhateverTheSwitches) {
  set_all_flags(false);
  for (std::uint8_t id : octets{0x09, 0x00, 0x01, 0x2A, 0xFF}) decode_vector(vector_of(id));
  EXPECT_EQ(event_texts(), std::vector<std::string>(5, "MAC Unknown"));
}

TEST_F(TrMac, RoutingInformationMovesTheMacField) {
  // Six octets of routing information (length in the low five bits of its first octet, the
  // broadcast bits above it set): the identifier sits at frame offset 23.
  const octets routed = frame_of(*ws7, *ws12, vector_of(0x05), {0xC6, 0x30, 0x00, 0x10, 0x00, 0x20});
  ASSERT_EQ(routed[23], 0x05);
  decode(routed);
  // Without the source's top bit, octet 14 is the vector's first octet, whatever it holds.
  const octets plain = frame_of(*ws7, *ws12, vector_of(0x06));
  ASSERT_EQ(plain[17], 0x06);
  decode(plain);
  EXPECT_EQ(event_texts(), (std::vector<std::string>{"AMP [ws12]", "SMP [ws12]"}));
}

TEST_F(TrMac, FramesCutShortGiveNothingOrTheEventWithoutItsSubvector) {
  const octets full = frame_of(*ws7, *ws12, vector_of(0x28, {sub(0x30, {0x00, 0x02})}));
  for (std::size_t length = 0; length < full.size(); ++length) {
    output_lists_reset();
    decode(octets(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
    // Up to the identifier at offset 17 there is no event; after it the subvector is cut.
    const auto expected = length < 18 ? std::vector<std::string>{} : std::vector<std::string>{"ERR 'unknown' [ws12]"};
    EXPECT_EQ(event_texts(), expected) << length << " octets";
  }
  // Routing information announced but the frame ends at it, or longer than what follows it.
  output_lists_reset();
  octets routed = frame_of(*ws7, *ws12, {});
  routed[8] |= 0x80;
  decode(routed);
  routed.push_back(0x1F);
  routed.insert(routed.end(), {0x00, 0x08, 0x00, 0x03});
  decode(routed);
  EXPECT_TRUE(event_texts().empty());
}

octets declared_as(octets vector, std::uint16_t length) {
  vector[0] = static_cast<std::uint8_t>(length >> 8);
  vector[1] = static_cast<std::uint8_t>(length);
  return vector;
}

TEST(TrMacSubvector, WalkStaysInsideTheVectorAndStopsAtBadLengths) {
  const octets two = vector_of(0x28, {sub(0x2D, {1, 2, 3, 4, 5, 6}), sub(0x30, {7}), sub(0x30, {8})});
  ASSERT_EQ(trmac_find_subvector(two, 0x30).size(), 3U);
  EXPECT_EQ(trmac_find_subvector(two, 0x30)[2], 7);  // the first of the two

  const octets code = vector_of(0x28, {sub(0x30, {0, 2})});
  const octets code_cut(code.begin(), code.end() - 1);
  // After a length of 0 or 1 the walk would stall, or take the identifier octet (4) for the
  // next length and find a 0x30 that is not there.
  const octets zero = vector_of(0x29, {sub(0x2D, {0}), octets{0, 0x04, 0x30, 0, 1}});
  const octets one = vector_of(0x29, {sub(0x2D, {0}), octets{1, 0x04, 0x30, 0, 1}});
  const struct {
    const char* what;
    octets vector;
    std::uint8_t id;
    std::size_t found;
  } cases[] = {
      {"absent", two, 0x2E, 0},
      {"declared past the span: clipped to it", declared_as(code, 0x4000), 0x30, 4},
      {"declared past the span, subvector cut by it", declared_as(code_cut, 0x4000), 0x30, 0},
      {"declared shorter than the header", declared_as(code, 2), 0x30, 0},
      {"subvector after the declared end", declared_as(code, 4), 0x30, 0},
      {"length 0", zero, 0x30, 0},
      {"length 1", one, 0x30, 0},
      {"before the bad length", one, 0x2D, 3},
      {"running past the vector", vector_of(0x29, {octets{6, 0x2D, 1, 2, 3}}), 0x2D, 0},
      {"header cut by the vector's end", vector_of(0x29, {octets{5}}), 0x05, 0},
      {"no room for a length field", octets{0x00}, 0x00, 0},
      {"nothing", octets{}, 0x00, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(trmac_find_subvector(c.vector, c.id).size(), c.found) << c.what;
}

TEST_F(TrMac, EachSwitchSilencesOnlyItsOwnEvent) {
  // The stored order: the preferences page's check boxes and the settings block follow it.
  const std::uint8_t ids[TRMAC_FLAGS] = {0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x0B,
                                         0x0C, 0x0D, 0x25, 0x26, 0x20, 0x27, 0x28, 0x29};
  for (std::uint8_t id : ids) decode_vector(vector_of(id));
  const std::vector<std::string> all = event_texts();
  ASSERT_EQ(all.size(), TRMAC_FLAGS);
  for (std::size_t off = 0; off < TRMAC_FLAGS; ++off) {
    set_all_flags(true);
    trmac_set_flag(off, false);
    output_lists_reset();
    for (std::uint8_t id : ids) decode_vector(vector_of(id));
    std::vector<std::string> expected = all;
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(off));
    EXPECT_EQ(event_texts(), expected) << "switch " << off;
  }
  EXPECT_STREQ(trmac_flag_text(0), "Show Beacon");
  EXPECT_STREQ(trmac_flag_text(13), "Show Neig. Notify Incompete");
  EXPECT_STREQ(trmac_flag_text(15), "Show Report Error");
  EXPECT_EQ(trmac_flag_text(TRMAC_FLAGS), nullptr);
  EXPECT_FALSE(trmac_flag(TRMAC_FLAGS));
  trmac_set_flag(TRMAC_FLAGS, true);  // ignored, not written past the switches
}

TEST_F(TrMac, StoredSwitchesLoadSaveAndRepair) {
  const auto block = [](std::initializer_list<std::size_t> off, std::uint32_t on = 1) {
    std::vector<std::uint32_t> words(TRMAC_FLAGS, on);
    for (std::size_t i : off) words[i] = 0;
    return settings_pack_words(words);
  };
  // Off where the word is 0, on for any other word; a good block is not rewritten.
  memory_settings stored;
  stored.write_binary("trmac defaults", block({0, 13}, 2));
  trmac_load_defaults(stored);
  for (std::size_t i = 0; i < TRMAC_FLAGS; ++i) EXPECT_EQ(trmac_flag(i), i != 0 && i != 13) << i;
  EXPECT_EQ(stored.read_binary("trmac defaults"), block({0, 13}, 2));

  trmac_set_flag(13, true);
  trmac_set_flag(5, false);
  trmac_save_defaults(stored);
  EXPECT_EQ(stored.read_binary("trmac defaults"), block({0, 5}));

  // Missing, of the wrong length or of another form: every switch on, and written at once.
  memory_settings missing, short_block, wrong_form;
  short_block.write_binary("trmac defaults", octets(63, 0));
  wrong_form.write_dword("trmac defaults", 0);
  for (memory_settings* s : {&missing, &short_block, &wrong_form}) {
    set_all_flags(false);
    trmac_load_defaults(*s);
    for (std::size_t i = 0; i < TRMAC_FLAGS; ++i) EXPECT_TRUE(trmac_flag(i));
    EXPECT_EQ(s->read_binary("trmac defaults"), block({}));
  }
}

}  // namespace
}  // namespace nw::test
