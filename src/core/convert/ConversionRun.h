#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "core/convert/OutputNaming.h"
#include "core/convert/RunGate.h"
#include "core/imaging/Color.h"
#include "core/lists/ListEntry.h"

namespace fotoloom {

// Where the converted photos go (RadioTargetMap, RadioTargetSame, RadioTargetSubmap).
enum class TTargetMode { TargetFolder, SameFolder, SubFolder };

enum class TOverwriteAnswer { Yes, No, Cancel };

struct TOverlayOptions {
  bool add_logo = false;
  std::string logo;
  bool add_text = false;
  int font_size = 22;
  std::string text;
  int opacity = 255;
};

// What a run reads from step 2.
struct TRunSettings {
  std::string width_text;  // a text that is not a whole number counts as 0
  std::string height_text;
  int quality = 90;
  std::string color_text = "clWhite";
  TTargetMode target_mode = TTargetMode::TargetFolder;
  std::string folder_field;  // the target folder, or the sub-folder name
  TNamingMode naming = TNamingMode::Same;
  TNamingFields naming_fields;  // naming_fields.increment is the first counter value
  TOverlayOptions overlay;
  std::string decimal_separator = ".";  // for the size texts of the result entries
  int jobs = 1;                         // photos converted at once
};

// What became of one photo of the run.
enum class TPhotoOutcome {
  Converted,        // written and listed
  Failed,           // the engine or the listing raised an error
  SkippedExisting,  // the output existed and the user answered No
  NotAPhoto,        // the source's content is no picture: nothing written, nothing listed
};

struct TPhotoReport {
  int number = 0;  // 1-based position in the selection list
  int total = 0;
  std::string source;
  TPhotoOutcome outcome = TPhotoOutcome::Converted;
  std::string error;  // the message of a failed photo
};

// The log line of a photo: "Bezig met foto 1 van 3: <source>" and the like; empty for a
// photo skipped as existing, which leaves no line.
std::string PhotoLine(const TPhotoReport& report);
// The overwrite question about an existing output file.
std::string OverwriteQuestion(const std::string& path);

// Everything a run shows or asks. Every call comes from the thread that called
// TConversionRun::Run, in the order a one-photo-at-a-time run would make it.
class IRunView {
 public:
  virtual ~IRunView() = default;
  virtual void ShowError(const std::string& text) = 0;   // an error message, OK only
  virtual void RunStarted(int photo_count) = 0;          // bar maximum; empty list and log
  virtual void StatusLine(const std::string& text) = 0;  // the label and a log line
  // A photo is done with; its result entries (ResultAdded) come before.
  virtual void PhotoReported(const TPhotoReport& report) = 0;
  virtual void StepProgress() = 0;
  // The output file `path` exists: overwrite it (and every later one), skip it, or stop.
  virtual TOverwriteAnswer AskOverwrite(const std::string& path) = 0;
  virtual void ResultAdded(const TListEntry& entry) = 0;
};

// One photo for the engine.
struct TConvertJob {
  std::string source;
  std::string dest;
  int box_width = 0;
  int box_height = 0;
  TColor background = 0;
  int quality = 90;
  TOverlayOptions overlay;
  // Set when the run is stopped: the engine then ends the photo with Cancelled.
  const std::atomic<bool>* cancelled = nullptr;
};
using TConvertFunction = std::function<void(const TConvertJob&)>;

// The image engine: the overlay form when a logo or a text is asked for, else the plain one.
void ConvertWithEngine(const TConvertJob& job);

enum class TRunEnd { TargetFolderFailed, Cancelled, Completed };

// The entries of the converted photos go to IRunView::ResultAdded only, so that a run of
// any length keeps no more than the photos in flight.
struct TRunResult {
  TRunEnd end = TRunEnd::Completed;
  std::string target_folder;  // the folder the run leaves behind as the target folder
};

extern const char* const kTargetFolderError;

// Converts the photos of the selection list. Names, counters, target folders and
// overwrite questions are settled in list order on the calling thread; the photos are
// converted by `settings.jobs` worker threads; status lines, result entries and progress
// steps are reported in list order. Every photo passes `gate` before it starts, so a held
// gate stops new photos from starting and a cancelled one ends the run. Cancelling also
// stops the photos being converted (through TConvertJob::cancelled): such a photo is not
// reached, like one that never started, with no line and its output left as it was; one
// that finished first is reported. A photo that reads or writes a file that an
// earlier photo of the run writes, or writes a file that an earlier one reads, starts only
// when that photo is done, so the outcome is that of a one-photo-at-a-time run.
class TConversionRun {
 public:
  TConversionRun(IRunView& view, TRunGate& gate, TConvertFunction engine = ConvertWithEngine);

  TRunResult Run(const std::vector<TListEntry>& photos, const TRunSettings& settings);

 private:
  IRunView& m_view;
  TRunGate& m_gate;
  TConvertFunction m_engine;
};

}  // namespace fotoloom
