#pragma once

#include <cstdint>

namespace fotoloom {

// Rounds to the nearest whole number, halves to the even neighbour (399.5 -> 400,
// 300.5 -> 300).
int64_t RoundHalfEven(double value);

// Where a W x H photo goes on the output canvas: it is drawn into a rectangle of
// scaled_width x scaled_height whose top-left corner lies at (offset_x, offset_y) of the
// canvas; what falls outside the canvas is cut off.
struct TResizePlan {
  int canvas_width = 0;
  int canvas_height = 0;
  int64_t scaled_width = 0;
  int64_t scaled_height = 0;
  int64_t offset_x = 0;
  int64_t offset_y = 0;
};

// Box mode when both box sides are non-zero (the photo covers the box; a portrait box
// centres horizontally and keeps the top, any other box centres vertically and keeps the
// left edge); otherwise variable mode (the given side, the other from the aspect ratio).
// Throws when the canvas would pass the picture limits.
TResizePlan PlanResize(int width, int height, int box_width, int box_height);

}  // namespace fotoloom
