#include "warning/traffic_light.h"

#include <QPainter>
#include <QRadialGradient>

namespace orv {
namespace {

constexpr double kCentreX = kTrafficLightWidth / 2.0;
constexpr double kLampRadius = 15.0;
constexpr double kBezel = 2.5;
constexpr double kGlowRadius = kLampRadius + 11.0;
constexpr double kLampCentreY[3] = {24.5, 67.5, 110.5};

QColor lampColour(int index) {
  switch (index) {
    case 0:
      return QColor(255, 38, 24);
    case 1:
      return QColor(255, 186, 16);
    default:
      return QColor(36, 224, 72);
  }
}

void drawHousing(QPainter& p) {
  const QRectF housing(13.5, 1.5, kTrafficLightWidth - 27.0, kTrafficLightHeight - 3.0);
  QLinearGradient body(housing.topLeft(), housing.topRight());
  body.setColorAt(0.0, QColor(74, 74, 74));
  body.setColorAt(0.45, QColor(42, 42, 42));
  body.setColorAt(1.0, QColor(18, 18, 18));
  p.setPen(QPen(QColor(8, 8, 8), 1.0));
  p.setBrush(body);
  p.drawRoundedRect(housing, 9.0, 9.0);
}

void drawDarkLamp(QPainter& p, const QPointF& centre, const QColor& colour) {
  // A switched-off lamp still shows its coloured glass, deep and faintly lit from above.
  QRadialGradient glass(centre - QPointF(4.0, 5.0), kLampRadius * 1.3);
  glass.setColorAt(0.0, colour.darker(260));
  glass.setColorAt(1.0, colour.darker(600));
  p.setBrush(glass);
  p.drawEllipse(centre, kLampRadius, kLampRadius);
}

void drawLitLamp(QPainter& p, const QPointF& centre, const QColor& colour) {
  QColor halo = colour;
  halo.setAlpha(170);
  QColor fade = colour;
  fade.setAlpha(0);
  QRadialGradient glow(centre, kGlowRadius);
  glow.setColorAt(kLampRadius / kGlowRadius, halo);
  glow.setColorAt(1.0, fade);
  p.setBrush(glow);
  p.drawEllipse(centre, kGlowRadius, kGlowRadius);

  p.setBrush(QColor(8, 8, 8));
  p.drawEllipse(centre, kLampRadius + 1.0, kLampRadius + 1.0);

  QRadialGradient glass(centre - QPointF(3.0, 4.0), kLampRadius * 1.15);
  glass.setColorAt(0.0, QColor(255, 255, 240));
  glass.setColorAt(0.3, colour.lighter(125));
  glass.setColorAt(1.0, colour);
  p.setBrush(glass);
  p.drawEllipse(centre, kLampRadius, kLampRadius);
}

}  // namespace

QImage trafficLight(int lit) {
  QImage image(kTrafficLightWidth, kTrafficLightHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  drawHousing(p);

  p.setPen(Qt::NoPen);
  for (int i = 0; i < 3; ++i) {
    const QPointF centre(kCentreX, kLampCentreY[i]);
    p.setBrush(QColor(6, 6, 6));
    p.drawEllipse(centre, kLampRadius + kBezel, kLampRadius + kBezel);
    drawDarkLamp(p, centre, lampColour(i));
  }
  // The lit lamp goes last so that its glow lies over the housing around it.
  if (lit >= 1 && lit <= 3) {
    drawLitLamp(p, QPointF(kCentreX, kLampCentreY[lit - 1]), lampColour(lit - 1));
  }
  // A small glint on each glass makes the lamps read as domes.
  p.setBrush(QColor(255, 255, 255, 70));
  for (double y : kLampCentreY) p.drawEllipse(QPointF(kCentreX - 5.0, y - 6.0), 4.0, 2.5);
  return image;
}

}  // namespace orv
