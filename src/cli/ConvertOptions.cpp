#include "cli/ConvertOptions.h"

#include <charconv>

#include "core/base/Error.h"
#include "core/settings/ColorText.h"

namespace fotoloom {

const char* const kConvertUsage =
    "Usage: fotoloom-convert [options] --target DIR FILE...\n"
    "Converts photos (JPEG, PNG, GIF, BMP) into resized JPEG copies in DIR, each named\n"
    "after its source with the extension .jpg.\n"
    "\n"
    "  --width W         box width in pixels (default 650; 0: follows from the height)\n"
    "  --height H        box height in pixels (default 0: follows from the width)\n"
    "  --quality Q       JPEG quality 0..100 (default 90)\n"
    "  --background C    fill colour: a name such as clWhite, $00BBGGRR or a number\n"
    "                    (default clWhite)\n"
    "  --jobs N          photos converted at once (default: one per processor core)\n"
    "  --logo FILE       draw this logo (JPEG, PNG, GIF, BMP) into the bottom-right corner;\n"
    "                    a PNG keeps its transparency\n"
    "  --opacity N       opacity of the logo, 0 (invisible) to 255 (default 255)\n"
    "  --text TEXT       write this line of white bold text at the bottom left\n"
    "  --font-size N     size of the text in points, 0..100 (default 22; 0: 8 points)\n"
    "  --target DIR      folder for the converted photos (created when missing)\n"
    "  --help            this text\n"
    "\n"
    "With both width and height the photo covers the box and what sticks out is cut off.\n"
    "Exit status: 0 when every photo converted, 1 when one failed, 2 for bad usage.\n";

namespace {

int ParseNumber(const std::string& option, const std::string& text, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    throw Error(option + " needs a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not '" + text + "'");
  }
  return value;
}

}  // namespace

TConvertOptions ParseConvertOptions(const std::vector<std::string>& args) {
  TConvertOptions options;
  bool only_files = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_files || arg.empty() || arg[0] != '-' || arg == "-") {
      options.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_files = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    // Every other option takes a value, as "--name value" or "--name=value".
    std::string name = arg, value;
    if (const size_t eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      throw Error(arg + " needs a value");
    }
    if (name == "--width") {
      options.width = ParseNumber(name, value, 0, 65500);
    } else if (name == "--height") {
      options.height = ParseNumber(name, value, 0, 65500);
    } else if (name == "--quality") {
      options.quality = ParseNumber(name, value, 0, 100);
    } else if (name == "--jobs") {
      options.jobs = ParseNumber(name, value, 1, 256);
    } else if (name == "--background") {
      options.background = StringToColor(value);
    } else if (name == "--logo") {
      options.logo = value;
    } else if (name == "--opacity") {
      options.opacity = ParseNumber(name, value, 0, 255);
    } else if (name == "--text") {
      options.text = value;
    } else if (name == "--font-size") {
      options.font_size = ParseNumber(name, value, 0, 100);
    } else if (name == "--target") {
      options.target = value;
    } else {
      throw Error("Unknown option " + name);
    }
  }
  if (options.help) return options;
  if (options.target.empty()) throw Error("--target DIR is missing");
  if (options.files.empty()) throw Error("No photo files given");
  if (options.width == 0 && options.height == 0) {
    throw Error("--width and --height may not both be 0");
  }
  return options;
}

}  // namespace fotoloom
