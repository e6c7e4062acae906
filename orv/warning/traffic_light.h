#pragma once

#include <QImage>

namespace orv {

// Size of the traffic-light pictures of the warning dialog.
constexpr int kTrafficLightWidth = 74;
constexpr int kTrafficLightHeight = 135;

// A traffic light with the lamp of `lit` switched on: 1 red, 2 yellow, 3 green; any other
// value draws all three lamps dark. Drawn in code so the pictures need no files beside the
// program.
QImage trafficLight(int lit);

}  // namespace orv
