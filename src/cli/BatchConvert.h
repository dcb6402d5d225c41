#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/imaging/Color.h"

namespace fotoloom {

struct TBatchItem {
  std::string source;
  std::string dest;
};

struct TBatchSettings {
  int width = 0;
  int height = 0;
  int quality = 90;
  TColor background = 0x00FFFFFF;
  int jobs = 1;
  std::optional<std::string> logo;  // with a logo or a text the overlay form converts
  int opacity = 255;
  std::optional<std::string> text;
  int font_size = 22;
};

enum class TItemOutcome { kConverted, kNotAPicture, kFailed };

struct TItemResult {
  TItemOutcome outcome = TItemOutcome::kConverted;
  std::string message;  // the error text when kFailed
};

// Converts every item, `jobs` at a time, on worker threads. `report` is called once per
// item as it ends, never by two threads at once; errors fail only their own item.
void ConvertBatch(const std::vector<TBatchItem>& items, const TBatchSettings& settings,
                  const std::function<void(size_t index, const TItemResult&)>& report);

}  // namespace fotoloom
