#include "cli/ConvertCommand.h"

#include <unistd.h>

#include <filesystem>
#include <map>
#include <thread>

#include "cli/BatchConvert.h"
#include "cli/ConvertOptions.h"
#include "core/base/Error.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

// Output paths in the target folder: the source's name with the extension ".jpg". Two
// sources that would write the same output are an error for the later one.
std::vector<TBatchItem> PlanItems(const TConvertOptions& options,
                                  std::map<size_t, std::string>& conflicts) {
  std::vector<TBatchItem> items;
  std::map<std::string, size_t> used;
  for (const std::string& file : options.files) {
    const std::string dest =
        (fs::path(options.target) / fs::path(file).filename().replace_extension(".jpg")).string();
    if (const auto it = used.find(dest); it != used.end()) {
      conflicts[items.size()] =
          "its output " + dest + " would overwrite that of " + options.files[it->second];
    } else {
      used.emplace(dest, items.size());
    }
    items.push_back({file, dest});
  }
  return items;
}

}  // namespace

int RunConvertCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
  TConvertOptions options;
  try {
    options = ParseConvertOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const Error& e) {
    err << "fotoloom-convert: " << e.what() << "\nTry 'fotoloom-convert --help'.\n";
    return 2;
  }
  if (options.help) {
    out << kConvertUsage;
    return 0;
  }
  std::error_code error;
  fs::create_directories(options.target, error);
  if (error || !fs::is_directory(options.target)) {
    err << "fotoloom-convert: cannot create the folder " << options.target
        << (error ? ": " + error.message() : std::string()) << "\n";
    return 2;
  }

  std::map<size_t, std::string> conflicts;
  const std::vector<TBatchItem> planned = PlanItems(options, conflicts);
  std::vector<TBatchItem> items;
  for (size_t i = 0; i < planned.size(); ++i) {
    if (!conflicts.count(i)) items.push_back(planned[i]);
  }

  TBatchSettings settings;
  settings.width = options.width;
  settings.height = options.height;
  settings.quality = options.quality;
  settings.background = options.background;
  settings.logo = options.logo;
  settings.opacity = options.opacity;
  settings.text = options.text;
  settings.font_size = options.font_size;
  settings.jobs = options.jobs > 0
                      ? options.jobs
                      : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

  const bool show_progress = ::isatty(STDERR_FILENO) != 0;
  size_t failed = conflicts.size(), not_pictures = 0, finished = 0;
  for (const auto& [index, text] : conflicts) {
    err << "fotoloom-convert: " << planned[index].source << ": " << text << "\n";
  }
  ConvertBatch(items, settings, [&](size_t index, const TItemResult& result) {
    ++finished;
    const TBatchItem& item = items[index];
    if (show_progress) err << "\r\033[K";
    if (result.outcome == TItemOutcome::kFailed) {
      ++failed;
      err << "fotoloom-convert: " << item.source << ": " << result.message << "\n";
    } else if (result.outcome == TItemOutcome::kNotAPicture) {
      ++not_pictures;
      err << "fotoloom-convert: warning: " << item.source
          << ": not a JPEG, PNG, GIF or BMP picture; its output is empty\n";
    }
    if (show_progress) {
      err << "[" << finished << "/" << items.size() << "] "
          << fs::path(item.source).filename().string() << std::flush;
    }
  });
  if (show_progress) err << "\r\033[K" << std::flush;

  const size_t converted = planned.size() - failed - not_pictures;
  out << "Converted " << converted << " of " << planned.size() << " photos into " << options.target;
  if (failed || not_pictures) {
    out << " (" << failed << " failed, " << not_pictures << " not a picture)";
  }
  out << "\n";
  return failed ? 1 : 0;
}

}  // namespace fotoloom
