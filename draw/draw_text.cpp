// Hershey text: the glyphs of the program's font stroked as polylines at the current size.
#include <QPainter>
#include <QPointF>

#include <array>
#include <string_view>

#include "core/hfont.h"
#include "core/hutil.h"
#include "draw/draw.h"
#include "draw/draw_device.h"

namespace nw {
namespace {

// A stroke's point count is one octet in font.bin.
constexpr std::size_t MAX_STROKE_POINTS = 255;

// One glyph's strokes with its origin at (x, y) in object coordinates.
void stroke_glyph(QPainter& painter, const QTransform& to_device, const hfont& font,
                  const hfont_glyph& glyph, double x, double y, double scale_x, double scale_y) {
  std::array<QPointF, MAX_STROKE_POINTS> points;
  for (const hfont_stroke& stroke : hfont_glyph_strokes(font, glyph)) {
    const auto font_points = hfont_stroke_points(font, stroke);
    std::size_t n = 0;
    for (const hfont_point& p : font_points) {
      if (n == points.size()) break;
      points[n++] = draw_device_point(to_device, x + p.x * scale_x, y + p.y * scale_y);
    }
    if (n == 1) {
      painter.drawPoint(points[0]);
    } else {
      painter.drawPolyline(points.data(), static_cast<int>(n));
    }
  }
}

}  // namespace

void htextsize(float width, float height) { hfont_set_text_size(width, height); }

void hcharstr(const char* text) {
  if (text == nullptr) return;
  draw_point& position = draw_device_position();
  const draw_point start = position;
  const hfont* font = hfont_current();
  QPainter* painter = draw_device_stroke_painter();
  const QTransform to_device = draw_device_transform();
  // The advance is summed in float exactly as text_width sums it, so a label ends where its
  // measured width says and the map's label placement holds to the pixel.
  const float em = font != nullptr ? static_cast<float>(font->em) : TEXT_WIDTH_FALLBACK_EM;
  const float advance_scale = hfont_text_width_size() / em;
  const double scale_x = static_cast<double>(advance_scale);
  const double scale_y = static_cast<double>(hfont_text_height_size() / em);
  // A character the font lacks, or a byte that is not UTF-8, leaves the room of an "A".
  const float unknown = text_width("A");
  std::string_view rest(text);
  float advanced = 0.0f;
  while (!rest.empty()) {
    const hfont_glyph* glyph = hfont_next_glyph(font, rest);
    if (glyph != nullptr && painter != nullptr) {
      stroke_glyph(*painter, to_device, *font, *glyph, start.x + static_cast<double>(advanced), start.y,
                   scale_x, scale_y);
    }
    advanced += glyph != nullptr ? static_cast<float>(glyph->advance) * advance_scale : unknown;
  }
  position = {start.x + static_cast<double>(advanced), start.y};
}

}  // namespace nw
