// The about box.
#include "program/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>
#include <numbers>

#include "core/str_cache.h"
#include "program/logpal.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_PRODUCT = 50000;
constexpr std::uint32_t STR_MAKER = 50004;
constexpr int PICTURE_SIZE = 96;
constexpr int STATIONS = 7;

QColor entry_color(std::size_t index) {
  const logpal_entry& e = current_palette()[index];
  return QColor(e.red, e.green, e.blue);
}

QPointF station(int i, double radius, QPointF centre) {
  const double angle = 2.0 * std::numbers::pi * i / STATIONS;
  return centre + QPointF(radius * std::cos(angle), -radius * std::sin(angle));
}

}  // namespace

QImage about_picture() {
  QImage picture(PICTURE_SIZE, PICTURE_SIZE, QImage::Format_RGB32);
  picture.fill(entry_color(LOGPAL_BLACK));
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(PICTURE_SIZE / 2.0, PICTURE_SIZE / 2.0);
  const double radius = PICTURE_SIZE * 0.36;
  // Every station talks to the two after it, each pair in a protocol colour of its own.
  for (int i = 0; i < STATIONS; ++i) {
    for (int hop = 2; hop <= 3; ++hop) {
      painter.setPen(QPen(entry_color(static_cast<std::size_t>(i * 3 + hop) % PALETTE_COLORS), 2.0));
      painter.drawLine(station(i, radius, centre), station((i + hop) % STATIONS, radius, centre));
    }
  }
  painter.setPen(Qt::NoPen);
  painter.setBrush(entry_color(LOGPAL_WHITE));
  for (int i = 0; i < STATIONS; ++i) painter.drawEllipse(station(i, radius, centre), 4.0 + i % 3, 4.0 + i % 3);
  return picture;
}

about_box::about_box(QWidget* owner) : QDialog(owner) {
  setWindowTitle(QString::fromUtf8(str_text(STR_PRODUCT)));
  auto* picture = new QLabel(this);
  picture->setPixmap(QPixmap::fromImage(about_picture()));
  auto* name = new QLabel(QString::fromUtf8(ABOUT_VERSION_TEXT), this);
  QFont big = name->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.4);
  name->setFont(big);
  auto* maker = new QLabel(QString::fromUtf8(str_text(STR_MAKER)), this);
  auto* texts = new QVBoxLayout;
  texts->addWidget(name);
  texts->addWidget(maker);
  texts->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addSpacing(12);
  top->addLayout(texts);
  // Escape is the Cancel that also closes it.
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);
}

void about_box_run(QWidget* owner) {
  about_box box(owner);
  box.exec();
}

}  // namespace nw
