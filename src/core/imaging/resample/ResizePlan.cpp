#include "core/imaging/resample/ResizePlan.h"

#include <cmath>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"

namespace fotoloom {

int64_t RoundHalfEven(double value) {
  return static_cast<int64_t>(std::nearbyint(value));
}

TResizePlan PlanResize(int width, int height, int box_width, int box_height) {
  if (box_width < 0 || box_height < 0) throw Error("The output size may not be negative");
  TResizePlan plan;
  const double w = width, h = height;
  if (box_width != 0 && box_height != 0) {
    const double source_aspect = w / h;
    const double box_aspect = static_cast<double>(box_width) / box_height;
    if (source_aspect > box_aspect) {
      plan.scaled_height = box_height;
      plan.scaled_width = RoundHalfEven(box_height * source_aspect);
    } else {
      plan.scaled_width = box_width;
      plan.scaled_height = RoundHalfEven(box_width / source_aspect);
    }
    if (plan.scaled_width == plan.scaled_height) --plan.scaled_height;
    plan.canvas_width = box_width;
    plan.canvas_height = box_height;
    if (box_height > box_width) {
      plan.offset_x = RoundHalfEven(box_width / 2.0) - RoundHalfEven(plan.scaled_width / 2.0);
    } else {
      plan.offset_y = RoundHalfEven(box_height / 2.0) - RoundHalfEven(plan.scaled_height / 2.0);
    }
  } else if (box_width != 0) {
    const double factor = static_cast<double>(box_width) / w;
    const int64_t out_height = RoundHalfEven(h * factor);
    CheckPictureSize(box_width, out_height);
    plan.canvas_width = plan.scaled_width = box_width;
    plan.canvas_height = static_cast<int>(out_height);
    plan.scaled_height = out_height;
  } else if (box_height != 0) {
    const double factor = static_cast<double>(box_height) / h;
    const int64_t out_width = RoundHalfEven(w * factor);
    CheckPictureSize(out_width, box_height);
    plan.canvas_height = plan.scaled_height = box_height;
    plan.canvas_width = static_cast<int>(out_width);
    plan.scaled_width = out_width;
  }
  CheckPictureSize(plan.canvas_width, plan.canvas_height);
  return plan;
}

}  // namespace fotoloom
