#include "core/settings/SizeProfiles.h"

#include <gtest/gtest.h>

#include <string>

#include "core/base/Error.h"
#include "core/settings/Settings.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

using Names = std::vector<std::string>;

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(SizeProfilesTest, ListInFileOrderWithoutSettings) {
  test::TempDir dir;
  WriteText(dir.File("a.crp"), "[Groot]\nFoto_breedte=1024\n[settings]\nHost=x\n[Klein]\n");
  EXPECT_EQ(LoadProfileNames(TIniFile(dir.File("a.crp"))), (Names{"Groot", "Klein"}));
}

TEST(SizeProfilesTest, OnlySettingsGivesTheDefaultProfileUntilItIsStored) {
  test::TempDir dir;
  const std::string path = dir.File("fotoloom.crp");
  TIniFile missing(dir.File("none.crp"));
  EXPECT_EQ(LoadProfileNames(missing), Names{kDefaultProfileName});

  TIniFile file(path);
  SaveSettings(file, TSettings{});
  EXPECT_EQ(LoadProfileNames(file), Names{"Standaard foto's"});
  const TSizeProfile profile = ReadProfile(file, "Standaard foto's");
  EXPECT_EQ(profile, (TSizeProfile{"650", "0", 90, "clWhite"}));

  StoreProfile(file, "Standaard foto's", profile);
  const std::string text = ReadText(path);
  EXPECT_NE(text.find("\n[Standaard foto's]\nFoto_breedte=650\nFoto_hoogte=0\nFoto_kwaliteit=90\n"
                      "Foto_achtergrondkleur=clWhite\n"),
            std::string::npos);
  EXPECT_EQ(LoadProfileNames(file), Names{"Standaard foto's"});
}

TEST(SizeProfilesTest, MissingKeysGetDefaults) {
  test::TempDir dir;
  WriteText(dir.File("a.crp"),
            "[Half]\nFoto_hoogte=480\nFoto_kwaliteit=veel\n"
            "[Vol]\nFoto_breedte=640px\nFoto_hoogte=480\nFoto_kwaliteit=75\n"
            "Foto_achtergrondkleur=$00C8C8C8\n");
  const TIniFile file(dir.File("a.crp"));
  EXPECT_EQ(ReadProfile(file, "half"), (TSizeProfile{"650", "480", 90, "clWhite"}));
  EXPECT_EQ(ReadProfile(file, "Vol"), (TSizeProfile{"640px", "480", 75, "$00C8C8C8"}));
}

TEST(SizeProfilesTest, StoreMatchesAnExistingSectionWithoutRegardToCase) {
  test::TempDir dir;
  WriteText(dir.File("a.crp"), "[klein]\nFoto_breedte=320\n[Groot]\nFoto_breedte=1024\n");
  TIniFile file(dir.File("a.crp"));
  StoreProfile(file, "Klein", TSizeProfile{"300", "200", 80, "clBlack"});
  EXPECT_EQ(LoadProfileNames(file), (Names{"klein", "Groot"}));
  EXPECT_EQ(ReadProfile(file, "klein"), (TSizeProfile{"300", "200", 80, "clBlack"}));
}

TEST(SizeProfilesTest, DeleteRemovesOnlyThatProfile) {
  test::TempDir dir;
  WriteText(dir.File("a.crp"),
            "[Settings]\nHost=x\n[Klein]\nFoto_breedte=320\n[Groot]\nFoto_breedte=1024\n");
  TIniFile file(dir.File("a.crp"));
  DeleteProfile(file, "KLEIN");
  EXPECT_EQ(LoadProfileNames(file), Names{"Groot"});
  DeleteProfile(file, "Groot");
  EXPECT_EQ(LoadProfileNames(file), Names{kDefaultProfileName});
  EXPECT_EQ(ReadText(dir.File("a.crp")), "[Settings]\nHost=x\n");
}

TEST(SizeProfilesTest, TheSettingsSectionIsNoProfile) {
  test::TempDir dir;
  const std::string text = "[Settings]\nHost=x\n[Klein]\nFoto_breedte=320\n";
  WriteText(dir.File("a.crp"), text);
  TIniFile file(dir.File("a.crp"));
  for (const char* name : {"Settings", " settings ", "", "  ", "a\nb"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(IsProfileName(name));
    DeleteProfile(file, name);
    EXPECT_THROW(StoreProfile(file, name, TSizeProfile{}), Error);
  }
  EXPECT_EQ(ReadText(dir.File("a.crp")), text);
  EXPECT_TRUE(IsProfileName("Klein [msn]"));
}

}  // namespace
}  // namespace fotoloom
