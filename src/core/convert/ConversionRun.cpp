#include "core/convert/ConversionRun.h"

#include <sys/stat.h>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "core/base/Cancelled.h"
#include "core/base/Path.h"
#include "core/imaging/ConvertImage.h"
#include "core/imaging/ConvertImageWithOverlay.h"
#include "core/imaging/codecs/ImageInfo.h"
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
                                o.opacity, job.cancelled);
  } else {
    ConvertImageFile(job.source, job.dest, job.box_width, job.box_height, job.background,
                     job.quality, job.cancelled);
  }
}

namespace {

// A name with a line break or another control character would split or garble its log
// line: such characters are shown as "\n", "\t" or "\x1b".
std::string Printable(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\t') {
      shown += "\\t";
    } else {
      static constexpr char kHex[] = "0123456789abcdef";
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 15];
    }
  }
  return shown;
}

}  // namespace

std::string PhotoLine(const TPhotoReport& report) {
  const std::string source = Printable(report.source);
  switch (report.outcome) {
    case TPhotoOutcome::Converted:
      return "Bezig met foto " + std::to_string(report.number) + " van " +
             std::to_string(report.total) + ": " + source;
    case TPhotoOutcome::Failed:
      return "Fout opgetreden met foto: " + source + " (" + Printable(report.error) + ")";
    case TPhotoOutcome::NotAPhoto:
      return "Geen foto, overgeslagen: " + source;
    case TPhotoOutcome::SkippedExisting:
      break;
  }
  return {};
}

std::string OverwriteQuestion(const std::string& path) {
  return "Foto bestaat al! ( " + path + " ) Wilt u alles overschrijven?";
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

// The names under which the run knows a file: its path made absolute and normal, and, while
// the file exists, its device and inode (which catch other spellings and links).
std::vector<std::string> FileKeys(const std::string& path) {
  std::vector<std::string> keys;
  std::error_code error;
  const fs::path normal = fs::weakly_canonical(path, error);
  keys.push_back("p:" + (error ? path : normal.string()));
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    keys.push_back("i:" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino));
  }
  return keys;
}

// The engine's contract leaves an empty output, and no error, for a source whose content is
// no picture. Anything unclear (a missing file, a fake engine) counts as a photo.
bool LeftEmptyForANonPhoto(const TConvertJob& job) {
  struct stat info {};
  if (::stat(job.dest.c_str(), &info) != 0 || info.st_size != 0) return false;
  try {
    return GetImageFileInfo(job.source).ImageType == itNone;
  } catch (const std::exception&) {
    return false;
  }
}

// One photo of the run, from planning to report.
struct TSlot {
  // kStopped: the run was stopped while the photo was being converted.
  enum State { kQueued, kSkipped, kConverted, kNotAPhoto, kFailed, kNotStarted, kStopped };
  State state = kQueued;
  TConvertJob job;
  std::string folder;  // the photo's target folder
  std::string file_name;
  bool dest_is_new = false;  // no file of that name before this photo: it may remove it
  std::string error;
};

// Which earlier photos read and write each file, so that a photo waits for the ones that
// touch its files. A photo that is done is forgotten, so that a long run keeps only the
// photos in flight.
class TFileUse {
 public:
  // The photos that `source` and `dest` wait for; then records them as this photo's.
  std::set<size_t> Claim(size_t index, const std::string& source, const std::string& dest) {
    std::set<size_t> before;
    const std::vector<std::string> source_keys = FileKeys(source);
    const std::vector<std::string> dest_keys = FileKeys(dest);
    for (const std::string& key : source_keys) {
      if (auto it = m_writer.find(key); it != m_writer.end()) before.insert(it->second);
    }
    for (const std::string& key : dest_keys) {
      if (auto it = m_writer.find(key); it != m_writer.end()) before.insert(it->second);
      if (auto it = m_readers.find(key); it != m_readers.end()) {
        before.insert(it->second.begin(), it->second.end());
      }
    }
    for (const std::string& key : source_keys) m_readers[key].push_back(index);
    for (const std::string& key : dest_keys) {
      m_writer[key] = index;
      m_readers.erase(key);  // this photo waits for them; later writers wait for this one
    }
    std::vector<std::string>& keys = m_keys[index];
    keys.insert(keys.end(), source_keys.begin(), source_keys.end());
    keys.insert(keys.end(), dest_keys.begin(), dest_keys.end());
    return before;
  }

  // The photo is done: no later photo needs to wait for it.
  void Forget(size_t index) {
    const auto photo = m_keys.find(index);
    if (photo == m_keys.end()) return;
    for (const std::string& key : photo->second) {
      if (auto it = m_writer.find(key); it != m_writer.end() && it->second == index) {
        m_writer.erase(it);
      }
      if (auto it = m_readers.find(key); it != m_readers.end()) {
        std::erase(it->second, index);
        if (it->second.empty()) m_readers.erase(it);
      }
    }
    m_keys.erase(photo);
  }

 private:
  std::map<std::string, size_t> m_writer;
  std::map<std::string, std::vector<size_t>> m_readers;
  std::map<size_t, std::vector<std::string>> m_keys;  // of each photo not yet forgotten
};

// The photos handed to the workers, and what came back. Slots are numbered from the first
// photo of the run; the ones reported are dropped from the front.
class TWorkers {
 public:
  TWorkers(int count, const TConvertFunction& engine, TRunGate& gate)
      : m_engine(engine), m_gate(gate) {
    try {
      for (int i = 0; i < count; ++i) m_threads.emplace_back([this] { Work(); });
    } catch (...) {
      Stop();  // the threads made so far must end, or joining them would wait for ever
      throw;
    }
  }
  ~TWorkers() { Stop(); }

  void Add(TSlot slot) {
    const std::lock_guard lock(m_mutex);
    m_slots.push_back(std::move(slot));
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
    m_done.wait(lock, [&] { return Slot(index).state != TSlot::kQueued; });
    return Slot(index);
  }
  // The same for a photo that may have been reported and dropped already.
  void WaitUntilDone(size_t index) {
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [&] { return index < m_first || Slot(index).state != TSlot::kQueued; });
  }
  // Drops the slots before `index`: they have been reported.
  void DropBefore(size_t index) {
    const std::lock_guard lock(m_mutex);
    for (; m_first < index; ++m_first) m_slots.pop_front();
  }
  size_t Count() {
    const std::lock_guard lock(m_mutex);
    return m_first + m_slots.size();
  }

 private:
  void Stop() {
    {
      const std::lock_guard lock(m_mutex);
      m_stop = true;
    }
    m_wake.notify_all();
  }

  void Work() {
    for (;;) {
      size_t index;
      TConvertJob job;
      bool dest_is_new;
      {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty()) return;
        index = m_queue.front();
        m_queue.pop_front();
        job = Slot(index).job;
        job.cancelled = &m_gate.CancelFlag();
        dest_is_new = Slot(index).dest_is_new;
      }
      TSlot::State state = TSlot::kConverted;
      std::string error;
      if (!m_gate.WaitToStart()) {
        state = TSlot::kNotStarted;
      } else {
        try {
          m_engine(job);
          if (LeftEmptyForANonPhoto(job)) {
            state = TSlot::kNotAPhoto;
            std::error_code ignored;
            if (dest_is_new) fs::remove(job.dest, ignored);
          }
        } catch (const Cancelled&) {
          state = TSlot::kStopped;
        } catch (const std::exception& e) {
          state = TSlot::kFailed;
          error = e.what();
        } catch (...) {
          state = TSlot::kFailed;
          error = "Unknown error";
        }
      }
      {
        const std::lock_guard lock(m_mutex);
        Slot(index).state = state;
        Slot(index).error = std::move(error);
      }
      m_done.notify_all();
    }
  }

  TSlot& Slot(size_t index) { return m_slots[index - m_first]; }  // with m_mutex held

  const TConvertFunction& m_engine;
  TRunGate& m_gate;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_done;
  std::deque<TSlot> m_slots;  // a deque keeps references stable as it grows and shrinks
  size_t m_first = 0;         // the number of the first slot in m_slots
  std::deque<size_t> m_queue;
  bool m_stop = false;
  std::vector<std::jthread> m_threads;  // last, so the threads stop before the rest goes
};

}  // namespace

TConversionRun::TConversionRun(IRunView& view, TRunGate& gate, TConvertFunction engine)
    : m_view(view), m_gate(gate), m_engine(std::move(engine)) {}

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
  m_gate.Reset();
  const int total = static_cast<int>(photos.size());
  m_view.RunStarted(total);

  TWorkers workers(std::max(1, settings.jobs), m_engine, m_gate);
  TFileUse file_use;
  size_t reported = 0;
  // Reports finished photos in list order, waiting for them up to (not including) `limit`.
  auto report_until = [&](size_t limit) {
    for (; reported < limit; ++reported) {
      const TSlot& slot = workers.WaitFor(reported);
      TPhotoReport report{static_cast<int>(reported + 1), total, slot.job.source};
      bool shown = true;
      switch (slot.state) {
        case TSlot::kNotStarted:
          return;  // stopped: nothing after this was started either
        case TSlot::kStopped:
          shown = false;  // not reached; a later photo may still have finished before the stop
          break;
        case TSlot::kSkipped:
          report.outcome = TPhotoOutcome::SkippedExisting;
          break;
        case TSlot::kNotAPhoto:
          report.outcome = TPhotoOutcome::NotAPhoto;
          break;
        case TSlot::kConverted:
          try {
            for (const TListEntry& entry :
                 AddFileEntries(slot.folder, slot.file_name, settings.decimal_separator)) {
              m_view.ResultAdded(entry);
            }
          } catch (const std::exception& e) {
            report.outcome = TPhotoOutcome::Failed;
            report.error = e.what();
          }
          break;
        case TSlot::kFailed:
          report.outcome = TPhotoOutcome::Failed;
          report.error = slot.error;
          break;
        case TSlot::kQueued:
          break;
      }
      if (shown) {
        m_view.PhotoReported(report);
        m_view.StepProgress();
      }
      // What a long run keeps of a photo ends with its report.
      file_use.Forget(reported);
      workers.DropBefore(reported + 1);
    }
  };

  std::set<std::string> planned;  // outputs of this run: they count as existing
  const size_t look_ahead = static_cast<size_t>(std::max(1, settings.jobs)) * 2;
  for (size_t i = 0; i < photos.size() && !m_gate.Cancelled(); ++i) {
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
    slot.dest_is_new = !exists;
    if (exists && !overwrite_all) {
      report_until(i);  // the question comes after the lines of the photos before it
      const TOverwriteAnswer answer = m_view.AskOverwrite(slot.job.dest);
      if (answer == TOverwriteAnswer::Cancel) {
        m_gate.Cancel();
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
    for (const size_t before : file_use.Claim(i, slot.job.source, slot.job.dest)) {
      workers.WaitUntilDone(before);
    }
    workers.Add(std::move(slot));
    workers.Submit(i);
    // Keep the workers fed but do not plan far ahead of what is reported.
    if (i + 1 >= look_ahead) report_until(i + 1 - look_ahead);
  }
  report_until(workers.Count());

  const bool cancelled = m_gate.Cancelled();
  result.end = cancelled ? TRunEnd::Cancelled : TRunEnd::Completed;
  m_view.StatusLine(cancelled ? "Converteren is geannuleerd!" : "Converteren is voltooid!");
  return result;
}

}  // namespace fotoloom
