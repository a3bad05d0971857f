// The map window's off-screen picture, world rectangle and suspended state.
#include "map/map_view.h"

#include <QImage>

#include <algorithm>

#include "draw/draw.h"

namespace nw {
namespace {

struct view {
  QImage picture;
  map_world world;
  bool suspended = false;
};

view g_view;  // guarded by the display mutex

void show_world(const map_world& world) {
  ortho2(world.left, world.right, world.bottom, world.top);
  // The device refuses an empty rectangle and keeps its own; so does the view.
  if (world.left != world.right && world.bottom != world.top) g_view.world = world;
}

}  // namespace

std::mutex& map_display_mutex() {
  static std::mutex netwindow;
  return netwindow;
}

map_world map_world_for_size(int width, int height) {
  const double w = width, h = height;
  if (width >= height) return {-MAP_WORLD_HALF * w / h, MAP_WORLD_HALF * w / h, -MAP_WORLD_HALF, MAP_WORLD_HALF};
  return {-MAP_WORLD_HALF, MAP_WORLD_HALF, -MAP_WORLD_HALF * h / w, MAP_WORLD_HALF * h / w};
}

int map_aspect(int width, int height) {
  return static_cast<int>(static_cast<long long>(width) * 100 / height);
}

map_world map_world_for_zoom(const zoom_rect& rect) {
  const auto world = [](std::int32_t units) { return (units - 50) / 50.0 * MAP_WORLD_HALF; };
  // The zoom box counts y downward.
  return {world(rect.left), world(rect.right), -world(rect.bottom), -world(rect.top)};
}

void map_open(int width, int height) {
  g_view.picture = QImage(width, height, QImage::Format_RGB32);
  g_view.picture.fill(Qt::black);
  draw_open(&g_view.picture);
  show_world(map_world{});
}

void map_close() {
  draw_close();
  g_view.picture = QImage();
}

const QImage& map_image() { return g_view.picture; }

int map_resize(int width, int height) {
  if (width <= 0 || height <= 0) {
    g_view.suspended = true;
    return -1;
  }
  g_view.suspended = false;
  // A window spread over several screens can outgrow the picture made for one.
  QImage& picture = g_view.picture;
  if (width > picture.width() || height > picture.height()) {
    picture = QImage(std::max(width, picture.width()), std::max(height, picture.height()), QImage::Format_RGB32);
    picture.fill(Qt::black);
    draw_open(&picture);
  }
  draw_set_size(width, height);
  show_world(map_world_for_size(width, height));
  color(0);
  clear();
  draw_flush();
  return map_aspect(width, height);
}

bool map_suspended() { return g_view.suspended; }

void map_zoom(const zoom_rect& rect) { show_world(map_world_for_zoom(rect)); }

map_world map_current_world() { return g_view.world; }

void map_view_reset() {
  draw_close();
  g_view = view{};
}

}  // namespace nw
