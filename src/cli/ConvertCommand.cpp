#include "cli/ConvertCommand.h"

#include <algorithm>
#include <new>
#include <thread>

#include "cli/ConvertOptions.h"
#include "cli/SourceList.h"
#include "cli/TerminalRunView.h"
#include "core/base/Error.h"
#include "core/settings/DataFolder.h"
#include "core/settings/IniDocument.h"
#include "core/settings/SizeProfiles.h"

namespace fotoloom {
namespace {

// The size values: the profile's when one is named, each overridden by its own option.
TSizeProfile SizeFromOptions(const TConvertOptions& options) {
  TSizeProfile size;
  if (options.profile) {
    const std::string path = SettingsFilePath();
    const TIniFile file(path);
    const std::vector<std::string> names = LoadProfileNames(file);
    const auto it = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
      return SameName(n, *options.profile);
    });
    if (it == names.end()) {
      throw Error("het profiel '" + *options.profile + "' staat niet in " + path);
    }
    size = ReadProfile(file, *it);
  }
  if (options.width) size.Width = *options.width;
  if (options.height) size.Height = *options.height;
  if (options.quality) size.Quality = *options.quality;
  if (options.background) size.BackgroundColor = *options.background;
  return size;
}

int ConvertPhotos(const std::vector<std::string>& args, TConsole& console, TRunGate& gate) {
  TConvertOptions options;
  TRunSettings settings;
  try {
    options = ParseConvertOptions(args);
    if (options.help) {
      console.out << kConvertUsage;
      return 0;
    }
    if (options.version) {
      console.out << "fotoloom-convert " FOTOLOOM_VERSION "\n";
      return 0;
    }
    const TSizeProfile size = SizeFromOptions(options);
    settings.width_text = size.Width;
    settings.height_text = size.Height;
    settings.quality = size.Quality;
    settings.color_text = size.BackgroundColor;
    if ((size.Width.empty() || size.Width == "0") && (size.Height.empty() || size.Height == "0")) {
      throw Error("breedte en hoogte zijn allebei 0");
    }
  } catch (const Error& e) {
    console.err << "fotoloom-convert: " << e.what() << "\nZie 'fotoloom-convert --help'.\n";
    return 2;
  }
  settings.target_mode = options.target_mode;
  settings.folder_field = options.folder;
  settings.naming = options.naming;
  settings.naming_fields = options.naming_fields;
  settings.overlay = options.overlay;
  settings.jobs = options.jobs > 0
                      ? options.jobs
                      : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

  const std::vector<TListEntry> photos = CollectSources(options.sources, options.recursive);
  TTerminalRunView view(console.in, console.out, console.err, options.overwrite,
                        console.in_is_terminal, console.err_is_terminal);
  const TRunResult result = TConversionRun(view, gate).Run(photos, settings);
  if (result.end == TRunEnd::TargetFolderFailed) return 1;

  const int total = static_cast<int>(photos.size());
  console.out << view.Written() << " van " << total << " foto's geschreven";
  if (view.Failed() || view.Skipped() || result.end == TRunEnd::Cancelled) {
    const int not_reached = total - view.Written() - view.Failed() - view.Skipped();
    console.out << " (" << view.Failed() << " mislukt, " << view.Skipped() << " overgeslagen, "
                << not_reached << " niet bereikt)";
  }
  console.out << "\n";
  return view.Written() == total && result.end == TRunEnd::Completed ? 0 : 1;
}

}  // namespace

// The last catch: a fault outside the photos (memory running out, no thread to be had)
// ends the program with a message instead of std::terminate.
int RunConvertCommand(const std::vector<std::string>& args, TConsole& console, TRunGate& gate) {
  std::string message;
  try {
    return ConvertPhotos(args, console, gate);
  } catch (const std::bad_alloc&) {
    message = "onvoldoende geheugen; het omzetten is afgebroken";
  } catch (const std::exception& e) {
    message = std::string("het omzetten is afgebroken: ") + e.what();
  } catch (...) {
    message = "het omzetten is afgebroken door een onbekende fout";
  }
  if (console.err_is_terminal) console.err << "\n";  // past a progress bar
  console.err << "fotoloom-convert: " << message << "\n";
  return 1;
}

}  // namespace fotoloom
