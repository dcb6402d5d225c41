#include "cli/ConvertOptions.h"

#include <charconv>
#include <map>

#include "core/base/Error.h"
#include "core/settings/ColorText.h"

namespace fotoloom {

const char* const kConvertUsage =
    "Gebruik: fotoloom-convert [OPTIE]... BRON...\n"
    "Zet foto's (JPEG, PNG, GIF of BMP, herkend aan hun inhoud) om in verkleinde\n"
    "JPEG-kopieen. Een BRON is een foto of een map; van een map worden de foto's\n"
    "genomen (met -r ook die van de submappen).\n"
    "\n"
    "Formaat:\n"
    "  -p, --profile NAAM      breedte, hoogte, kwaliteit en achtergrond uit het\n"
    "                          profiel NAAM van het instellingenbestand\n"
    "      --width B           breedte in pixels (standaard 650; 0: volgt uit de hoogte)\n"
    "      --height H          hoogte in pixels (standaard 0: volgt uit de breedte);\n"
    "                          met beide vult de foto het vak en valt de rest weg\n"
    "      --quality Q         JPEG-kwaliteit 0..100 (standaard 90)\n"
    "      --background KLEUR  opvulkleur: een naam als clWhite, $00BBGGRR of een getal\n"
    "Doel (precies een):\n"
    "  -t, --target MAP        alle foto's in MAP (wordt aangemaakt)\n"
    "      --same-folder       elke foto in zijn eigen map\n"
    "      --subfolder NAAM    elke foto in de submap NAAM van zijn eigen map\n"
    "Namen:\n"
    "      --names same|new|unique\n"
    "                          dezelfde namen (standaard), nieuwe namen uit\n"
    "                          voorvoegsel, teller en achtervoegsel, of unieke namen\n"
    "      --prefix TEKST      voorvoegsel van nieuwe namen\n"
    "      --counter N         eerste tellerwaarde van nieuwe namen (standaard 1)\n"
    "      --appendix TEKST    achtervoegsel van nieuwe namen\n"
    "      --with-name         de oude naam in nieuwe namen opnemen\n"
    "Logo en tekst:\n"
    "      --logo BESTAND      logo rechtsonder (een PNG houdt zijn doorzichtigheid)\n"
    "      --opacity N         dekking van het logo 0..255 (standaard 255)\n"
    "      --text TEKST        witte tekst linksonder\n"
    "      --font-size N       tekstgrootte in punten 0..100 (standaard 22)\n"
    "Overig:\n"
    "      --overwrite ask|all|none\n"
    "                          bestaande foto's: vragen (j/n/a; standaard), alles\n"
    "                          overschrijven of overslaan\n"
    "  -r, --recursive         ook de submappen van een map\n"
    "  -j, --jobs N            zoveel foto's tegelijk (standaard: een per processorkern)\n"
    "  -h, --help              deze tekst\n"
    "\n"
    "Ctrl+C stopt na de foto's die al worden omgezet.\n"
    "Afsluitstatus: 0 als elke foto is geschreven, 1 als een foto is mislukt,\n"
    "overgeslagen of niet bereikt, 2 bij een verkeerde aanroep.\n";

namespace {

int ParseNumber(const std::string& option, const std::string& text, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    throw Error(option + " verwacht een geheel getal van " + std::to_string(low) + " tot " +
                std::to_string(high) + ", niet '" + text + "'");
  }
  return value;
}

// A name part with a "/" would put the photos outside the target folder.
void RefuseSeparator(const std::string& option, const std::string& text) {
  if (text.find('/') != std::string::npos) {
    throw Error(option + " mag geen '/' bevatten: '" + text + "'");
  }
}

template <typename T>
T ParseChoice(const std::string& option, const std::string& text,
              const std::map<std::string, T>& choices) {
  const auto it = choices.find(text);
  if (it == choices.end()) throw Error(option + ": onbekende keuze '" + text + "'");
  return it->second;
}

}  // namespace

TConvertOptions ParseConvertOptions(const std::vector<std::string>& args) {
  TConvertOptions options;
  int targets = 0;
  bool only_sources = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_sources || arg.size() < 2 || arg[0] != '-') {
      options.sources.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_sources = true;
      continue;
    }
    // Options without a value.
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (arg == "--recursive" || arg == "-r") {
      options.recursive = true;
      continue;
    }
    if (arg == "--same-folder") {
      options.target_mode = TTargetMode::SameFolder;
      ++targets;
      continue;
    }
    if (arg == "--with-name") {
      options.naming_fields.include_name = true;
      continue;
    }
    // Every other option takes a value, as "--name value" or "--name=value".
    static const std::map<std::string, std::string> kShort = {
        {"-p", "--profile"}, {"-t", "--target"}, {"-j", "--jobs"}};
    std::string name = arg, value;
    if (const size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    } else if (arg.size() > 2 && arg[1] != '-' && kShort.count(arg.substr(0, 2))) {
      name = arg.substr(0, 2);  // "-j1" as "-j 1"
      value = arg.substr(2);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      throw Error(arg + " verwacht een waarde");
    }
    if (const auto it = kShort.find(name); it != kShort.end()) name = it->second;
    if (name == "--profile") {
      options.profile = value;
    } else if (name == "--width" || name == "--height") {
      // The number, not the text: "00" is a zero like "0".
      (name == "--width" ? options.width : options.height) =
          std::to_string(ParseNumber(name, value, 0, 65500));
    } else if (name == "--quality") {
      options.quality = ParseNumber(name, value, 0, 100);
    } else if (name == "--background") {
      StringToColor(value);  // refuses a text that is no colour
      options.background = value;
    } else if (name == "--target") {
      options.target_mode = TTargetMode::TargetFolder;
      options.folder = value;
      ++targets;
    } else if (name == "--subfolder") {
      RefuseSeparator(name, value);
      options.target_mode = TTargetMode::SubFolder;
      options.folder = value;
      ++targets;
    } else if (name == "--names") {
      options.naming = ParseChoice<TNamingMode>(name, value,
                                                {{"same", TNamingMode::Same},
                                                 {"new", TNamingMode::Generate},
                                                 {"unique", TNamingMode::Unique}});
    } else if (name == "--prefix") {
      RefuseSeparator(name, value);
      options.naming_fields.prefix = value;
    } else if (name == "--counter") {
      options.naming_fields.increment = ParseNumber(name, value, 0, 2147483647);
    } else if (name == "--appendix") {
      RefuseSeparator(name, value);
      options.naming_fields.appendix = value;
    } else if (name == "--logo") {
      options.overlay.add_logo = true;
      options.overlay.logo = value;
    } else if (name == "--opacity") {
      options.overlay.opacity = ParseNumber(name, value, 0, 255);
    } else if (name == "--text") {
      options.overlay.add_text = true;
      options.overlay.text = value;
    } else if (name == "--font-size") {
      options.overlay.font_size = ParseNumber(name, value, 0, 100);
    } else if (name == "--overwrite") {
      options.overwrite = ParseChoice<TOverwritePolicy>(name, value,
                                                        {{"ask", TOverwritePolicy::Ask},
                                                         {"all", TOverwritePolicy::All},
                                                         {"none", TOverwritePolicy::None}});
    } else if (name == "--jobs") {
      options.jobs = ParseNumber(name, value, 1, 256);
    } else {
      throw Error("onbekende optie " + name);
    }
  }
  if (options.help) return options;
  if (targets == 0) throw Error("geef een doel: --target MAP, --same-folder of --subfolder NAAM");
  if (targets > 1) throw Error("geef maar een doel: --target, --same-folder of --subfolder");
  if (options.folder.empty() && options.target_mode != TTargetMode::SameFolder) {
    throw Error("de naam van de doelmap is leeg");
  }
  if (options.sources.empty()) throw Error("geen foto's of mappen gegeven");
  return options;
}

}  // namespace fotoloom
