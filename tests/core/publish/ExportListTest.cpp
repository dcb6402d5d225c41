#include "core/publish/ExportList.h"

#include <gtest/gtest.h>

#include <array>

namespace fotoloom {
namespace {

std::vector<TListEntry> TwoPhotos() {
  TListEntry first{"zee.jpg", "10.0 kB", "/foto's/vakantie/", "zee.jpg", true};
  TListEntry second{"strand.jpg", "12.0 kB", "/foto's/vakantie/", "strand.jpg", false};
  return {first, second};
}

const char* Script(TExportKind kind) {
  return kExportKinds[static_cast<size_t>(kind)].script;
}

TEST(ExportList, EveryKindGivesOneLinePerEntryInListOrderCheckedOrNot) {
  struct Case {
    TExportKind kind;
    std::array<const char*, 2> lines;
  };
  constexpr std::array<Case, 4> cases{{
      {TExportKind::Photos, {"zee.jpg", "strand.jpg"}},
      {TExportKind::PhotosWithFolder,
       {"/foto's/vakantie/zee.jpg", "/foto's/vakantie/strand.jpg"}},
      {TExportKind::Html,
       {"<img src=\"/fotos/zee.jpg\" border=\"0\" alt=\"Mijn foto\" title=\"Mijn foto\">",
        "<img src=\"/fotos/strand.jpg\" border=\"0\" alt=\"Mijn foto\" title=\"Mijn foto\">"}},
      {TExportKind::Xml, {"<img>zee.jpg</img>", "<img>strand.jpg</img>"}},
  }};
  for (const Case& c : cases) {
    SCOPED_TRACE(kExportKinds[static_cast<size_t>(c.kind)].caption);
    EXPECT_EQ(BuildExportLines(TwoPhotos(), c.kind, Script(c.kind)),
              (std::vector<std::string>{c.lines[0], c.lines[1]}));
  }
}

TEST(ExportList, FolderWithoutTrailingSeparatorGetsOne) {
  TListEntry entry{"zee.jpg", "", "/fotos", "zee.jpg", false};
  EXPECT_EQ(BuildExportLines({entry}, TExportKind::PhotosWithFolder, "<bestandsnaam>"),
            std::vector<std::string>{"/fotos/zee.jpg"});
}

TEST(ExportList, EmptyListGivesNoLines) {
  EXPECT_TRUE(BuildExportLines({}, TExportKind::Xml, Script(TExportKind::Xml)).empty());
}

TEST(ExportList, ScriptWithoutPlaceholderGivesTheSameLineForEveryPhoto) {
  EXPECT_EQ(BuildExportLines(TwoPhotos(), TExportKind::Photos, "<br>"),
            (std::vector<std::string>{"<br>", "<br>"}));
}

TEST(ExportList, PlaceholderIsFoundInAnyLetterCaseEveryTime) {
  struct Case {
    const char* script;
    const char* line;
  };
  constexpr std::array<Case, 5> cases{{
      {"<a href=\"<bestandsnaam>\"><BESTANDSNAAM></a>", "<a href=\"zee.jpg\">zee.jpg</a>"},
      {"<BestandsNaam><bestandsnaam>", "zee.jpgzee.jpg"},
      {"Foto: <Bestandsnaam> (KLIK)", "Foto: zee.jpg (KLIK)"},
      {"<bestandsnaam", "<bestandsnaam"},  // not closed: no placeholder
      {"", ""},
  }};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(FillExportScript(c.script, "zee.jpg"), c.line);
  }
}

TEST(ExportList, NameThatLooksLikeThePlaceholderIsNotReplacedAgain) {
  EXPECT_EQ(FillExportScript("[<bestandsnaam>]", "<BESTANDSNAAM>.jpg"), "[<BESTANDSNAAM>.jpg]");
}

}  // namespace
}  // namespace fotoloom
