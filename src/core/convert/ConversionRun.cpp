#include "core/convert/ConversionRun.h"

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "core/base/Path.h"
#include "core/imaging/ConvertImage.h"
#include "core/imaging/ConvertImageWithOverlay.h"
#include "core/lists/AddFileEntries.h"
#include "core/settings/ColorText.h"
#include "core/settings/IntegerText.h"

namespace fotoloom {

const char* const kTargetFolderError =
    "Doelmap kan niet worden aangemaakt. Controleer of deze correct is ingevuld!";

void ConvertWithEngine(const TConvertJob& job) {
  const TOverlayOptions& o = job.overlay;
  if (o.add_logo || o.add_text) {
    ConvertImageFileWithOverlay(job.source, job.dest, job.box_width, job.box_height, job.background,
                                o.add_logo, o.logo, o.add_text, o.font_size, o.text, job.quality,
                                o.opacity);
  } else {
    ConvertImageFile(job.source, job.dest, job.box_width, job.box_height, job.background,
                     job.quality);
  }
}

namespace {

namespace fs = std::filesystem;

int WholeNumberOrZero(const std::string& text) {
  int32_t value = 0;
  return TryStrToInt(text, value) ? value : 0;
}

bool MakeFolder(const std::string& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  return fs::is_directory(folder, error);
}

// One photo of the run, from planning to report.
struct TSlot {
  enum State { kQueued, kSkipped, kConverted, kFailed, kNotStarted };
  State state = kQueued;
  TConvertJob job;
  std::string folder;  // the photo's target folder
  std::string file_name;
  std::string error;
};

// The photos handed to the workers, and what came back.
class TWorkers {
 public:
  TWorkers(int count, const TConvertFunction& engine, std::atomic<bool>& cancel)
      : m_engine(engine), m_cancel(cancel) {
    for (int i = 0; i < count; ++i) m_threads.emplace_back([this] { Work(); });
  }
  ~TWorkers() {
    {
      const std::lock_guard lock(m_mutex);
      m_stop = true;
    }
    m_wake.notify_all();
  }

  TSlot& Add(TSlot slot) {
    const std::lock_guard lock(m_mutex);
    m_slots.push_back(std::move(slot));
    return m_slots.back();
  }
  void Submit(size_t index) {
    {
      const std::lock_guard lock(m_mutex);
      m_queue.push_back(index);
    }
    m_wake.notify_one();
  }
  // Waits until the slot's photo is no longer queued or being converted.
  const TSlot& WaitFor(size_t index) {
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [&] { return m_slots[index].state != TSlot::kQueued; });
    return m_slots[index];
  }
  size_t Count() {
    const std::lock_guard lock(m_mutex);
    return m_slots.size();
  }

 private:
  void Work() {
    for (;;) {
      size_t index;
      TConvertJob job;
      {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty()) return;
        index = m_queue.front();
        m_queue.pop_front();
        if (m_cancel) {
          m_slots[index].state = TSlot::kNotStarted;
          m_done.notify_all();
          continue;
        }
        job = m_slots[index].job;
      }
      TSlot::State state = TSlot::kConverted;
      std::string error;
      try {
        m_engine(job);
      } catch (const std::exception& e) {
        state = TSlot::kFailed;
        error = e.what();
      } catch (...) {
        state = TSlot::kFailed;
        error = "Unknown error";
      }
      {
        const std::lock_guard lock(m_mutex);
        m_slots[index].state = state;
        m_slots[index].error = std::move(error);
      }
      m_done.notify_all();
    }
  }

  const TConvertFunction& m_engine;
  std::atomic<bool>& m_cancel;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_done;
  std::deque<TSlot> m_slots;  // a deque keeps references stable as it grows
  std::deque<size_t> m_queue;
  bool m_stop = false;
  std::vector<std::jthread> m_threads;  // last, so the threads stop before the rest goes
};

}  // namespace

TConversionRun::TConversionRun(IRunView& view, std::atomic<bool>& cancel, TConvertFunction engine)
    : m_view(view), m_cancel(cancel), m_engine(std::move(engine)) {}

TRunResult TConversionRun::Run(const std::vector<TListEntry>& photos,
                               const TRunSettings& settings) {
  TRunResult result;
  if (settings.target_mode == TTargetMode::TargetFolder) {
    result.target_folder = IncludeTrailingSeparator(settings.folder_field);
    if (!MakeFolder(result.target_folder)) {
      m_view.ShowError(kTargetFolderError);
      result.end = TRunEnd::TargetFolderFailed;
      return result;
    }
  }
  const int width = WholeNumberOrZero(settings.width_text);
  const int height = WholeNumberOrZero(settings.height_text);
  int64_t counter = settings.naming_fields.increment;
  bool overwrite_all = false;
  m_cancel = false;
  const int total = static_cast<int>(photos.size());
  m_view.RunStarted(total);

  TWorkers workers(std::max(1, settings.jobs), m_engine, m_cancel);
  size_t reported = 0;
  // Reports finished photos in list order, waiting for them up to (not including) `limit`.
  auto report_until = [&](size_t limit) {
    for (; reported < limit; ++reported) {
      const TSlot& slot = workers.WaitFor(reported);
      const std::string source = slot.job.source;
      switch (slot.state) {
        case TSlot::kNotStarted:
          return;  // stopped: nothing after this was started either
        case TSlot::kSkipped:
          break;
        case TSlot::kConverted:
          try {
            for (TListEntry& entry :
                 AddFileEntries(slot.folder, slot.file_name, settings.decimal_separator)) {
              m_view.ResultAdded(entry);
              result.results.push_back(std::move(entry));
            }
            m_view.StatusLine("Bezig met foto " + std::to_string(reported + 1) + " van " +
                              std::to_string(total) + ": " + source);
          } catch (const std::exception& e) {
            m_view.StatusLine("Fout opgetreden met foto: " + source + " (" + e.what() + ")");
          }
          break;
        case TSlot::kFailed:
          m_view.StatusLine("Fout opgetreden met foto: " + source + " (" + slot.error + ")");
          break;
        case TSlot::kQueued:
          break;
      }
      m_view.StepProgress();
    }
  };

  std::set<std::string> planned;  // outputs of this run: they count as existing
  const size_t look_ahead = static_cast<size_t>(std::max(1, settings.jobs)) * 2;
  for (size_t i = 0; i < photos.size() && !m_cancel; ++i) {
    TSlot slot;
    slot.job.source = IncludeTrailingSeparator(photos[i].folder) + photos[i].caption;
    slot.job.box_width = width;
    slot.job.box_height = height;
    slot.job.quality = settings.quality;
    slot.job.overlay = settings.overlay;
    slot.file_name = JpegFileName(
        PhotoName(settings.naming, settings.naming_fields, photos[i].caption, i, counter));
    if (settings.target_mode == TTargetMode::TargetFolder) {
      slot.folder = result.target_folder;
    } else {
      slot.folder = IncludeTrailingSeparator(photos[i].folder);
      if (settings.target_mode == TTargetMode::SubFolder) {
        slot.folder = IncludeTrailingSeparator(slot.folder + settings.folder_field);
        if (!MakeFolder(slot.folder)) {
          report_until(i);  // keep the message after the lines of the photos before it
          m_view.ShowError(kTargetFolderError);
        }
      }
      result.target_folder = slot.folder;
    }
    slot.job.dest = slot.folder + slot.file_name;

    std::error_code error;
    const bool exists = planned.count(slot.job.dest) || fs::exists(slot.job.dest, error);
    if (exists && !overwrite_all) {
      report_until(i);  // the question comes after the lines of the photos before it
      const TOverwriteAnswer answer = m_view.AskOverwrite("Foto bestaat al! ( " + slot.job.dest +
                                                          " ) Wilt u alles overschrijven?");
      if (answer == TOverwriteAnswer::Cancel) {
        m_cancel = true;
        break;
      }
      if (answer == TOverwriteAnswer::No) {
        slot.state = TSlot::kSkipped;
        workers.Add(std::move(slot));
        continue;
      }
      overwrite_all = true;
    }
    try {
      slot.job.background = StringToColor(settings.color_text);
    } catch (const std::exception& e) {
      slot.state = TSlot::kFailed;
      slot.error = e.what();
      workers.Add(std::move(slot));
      continue;
    }
    planned.insert(slot.job.dest);
    workers.Add(std::move(slot));
    workers.Submit(i);
    // Keep the workers fed but do not plan far ahead of what is reported.
    if (i + 1 >= look_ahead) report_until(i + 1 - look_ahead);
  }
  report_until(workers.Count());

  result.end = m_cancel ? TRunEnd::Cancelled : TRunEnd::Completed;
  m_view.StatusLine(m_cancel ? "Converteren is geannuleerd!" : "Converteren is voltooid!");
  return result;
}

}  // namespace fotoloom
