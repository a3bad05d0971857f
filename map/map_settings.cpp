// The map's settings.
#include "map/map_settings.h"

namespace nw {
namespace {

map_settings settings;  // guarded by the model lock

}  // namespace

map_settings& map_config() { return settings; }

void map_config_reset() { settings = map_settings{}; }

}  // namespace nw
