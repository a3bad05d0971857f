// The model's settings, clock and lock.
#include "model/model_config.h"

namespace nw {
namespace {

// Written and read under the model lock.
model_config settings;
capture_time now_time;

std::mutex model_mutex;
thread_local int lock_depth = 0;

}  // namespace

model_config& model_settings() { return settings; }

float model_label_height() { return 0.06f * settings.font_size; }

capture_time model_now() { return now_time; }

void model_set_now(capture_time now) { now_time = now; }

void model_config_reset() {
  settings = model_config{};
  now_time = capture_time{};
}

std::int64_t model_elapsed_us(capture_time from, capture_time to) {
  const std::int64_t d = model_time_us(to) - model_time_us(from);
  return d > 0 ? d : 0;
}

model_lock::model_lock() {
  if (lock_depth++ == 0) model_mutex.lock();
}

model_lock::~model_lock() {
  if (--lock_depth == 0) model_mutex.unlock();
}

bool model_lock_held() { return lock_depth > 0; }

}  // namespace nw
