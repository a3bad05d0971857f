// Peak and mean load as the statistics panel samples them, and its run-time text.
#include "model_test_support.h"
#include "stats/load_stats.h"

namespace nw::test {
namespace {

class LoadStats : public model_test {};

TEST_F(LoadStats, FirstSampleSetsBothAndThePeakOutlivesTheNetwork) {
  load_sampler sampler;
  network->load = 42;
  load_sample(sampler, *network);
  EXPECT_EQ(network->peak_load, 42);
  EXPECT_FLOAT_EQ(network->avg_load, 42.0f);

  network->load = 10;
  load_sample(sampler, *network);
  EXPECT_EQ(network->peak_load, 42);
  EXPECT_FLOAT_EQ(network->avg_load, 26.0f);

  // After an adapter change the panel keeps its peak and its running mean.
  net* other = net_new(adapter_desc{"eth1", "", NETTYPE_ETHERNET});
  other->load = 0;
  load_sample(sampler, *other);
  EXPECT_EQ(other->peak_load, 42);
  EXPECT_NEAR(other->avg_load, 52.0f / 3.0f, 1e-4);
}

TEST(LoadRuntime, HoursAreNotWrapped) {
  EXPECT_EQ(load_runtime_text(0), "00:00:00");
  EXPECT_EQ(load_runtime_text(3 * 3600 + 5 * 60 + 9), "03:05:09");
  EXPECT_EQ(load_runtime_text(100 * 3600 + 61), "100:01:01");
  EXPECT_EQ(load_runtime_text(-5), "00:00:00");
}

}  // namespace
}  // namespace nw::test
