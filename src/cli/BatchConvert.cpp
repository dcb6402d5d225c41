#include "cli/BatchConvert.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

#include "core/imaging/ConvertImage.h"
#include "core/imaging/ConvertImageWithOverlay.h"
#include "core/imaging/ImageInfo.h"

namespace fotoloom {
namespace {

TItemResult ConvertOne(const TBatchItem& item, const TBatchSettings& settings) {
  TItemResult result;
  try {
    // The format test first, only to tell the user about a file that is no picture; the
    // engine then makes its (empty) output as it does for any such file.
    if (GetImageFileInfo(item.source).ImageType == itNone) {
      result.outcome = TItemOutcome::kNotAPicture;
    }
    if (settings.logo || settings.text) {
      ConvertImageFileWithOverlay(
          item.source, item.dest, settings.width, settings.height, settings.background,
          settings.logo.has_value(), settings.logo.value_or(""), settings.text.has_value(),
          settings.font_size, settings.text.value_or(""), settings.quality, settings.opacity);
    } else {
      ConvertImageFile(item.source, item.dest, settings.width, settings.height, settings.background,
                       settings.quality);
    }
  } catch (const std::exception& e) {
    result.outcome = TItemOutcome::kFailed;
    result.message = e.what();
  }
  return result;
}

}  // namespace

void ConvertBatch(const std::vector<TBatchItem>& items, const TBatchSettings& settings,
                  const std::function<void(size_t index, const TItemResult&)>& report) {
  std::atomic<size_t> next{0};
  std::mutex report_mutex;
  auto worker = [&] {
    for (size_t i = next++; i < items.size(); i = next++) {
      const TItemResult result = ConvertOne(items[i], settings);
      const std::lock_guard lock(report_mutex);
      report(i, result);
    }
  };
  const size_t threads = std::clamp<size_t>(settings.jobs, 1, std::max<size_t>(1, items.size()));
  std::vector<std::jthread> pool;
  for (size_t t = 1; t < threads; ++t) pool.emplace_back(worker);
  worker();
}

}  // namespace fotoloom
