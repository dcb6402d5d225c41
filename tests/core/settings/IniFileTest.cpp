#include "core/settings/IniFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "core/base/Error.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

// Written by hand: BOM, CR LF, comments, blank lines, blanks around names and "=", a key
// before any section, a repeated key and a repeated section.
constexpr char kHandWritten[] =
    "\xEF\xBB\xBF"
    "stray=before any section\r\n"
    "; a comment\r\n"
    "[ Settings ]\r\n"
    "\r\n"
    "  Host  =  ftp.example.nl  \r\n"
    ";Host=commented out\r\n"
    "Formula=a=b\r\n"
    "Empty=\r\n"
    "no equals sign here\r\n"
    "Host=second\r\n"
    "[Profiel [groot]]\r\n"
    "Foto_breedte=800\r\n"
    "[settings]\r\n"
    "Late=in a repeated section\r\n";

struct ReadCase {
  const char* section;
  const char* key;
  const char* expected;
};

constexpr std::array<ReadCase, 9> kReadCases{{
    {"Settings", "Host", "ftp.example.nl"},
    {"SETTINGS", "host", "ftp.example.nl"},
    {"Settings", "Formula", "a=b"},
    {"Settings", "Empty", ""},
    {"Settings", "stray", "(default)"},
    {"Settings", "Late", "(default)"},
    {"Settings", "no equals sign here", "(default)"},
    {"profiel [GROOT]", "Foto_breedte", "800"},
    {"Missing", "Host", "(default)"},
}};

TEST(IniFileTest, ReadsHandWrittenFiles) {
  test::TempDir dir;
  WriteText(dir.File("a.ini"), kHandWritten);
  const TIniFile file(dir.File("a.ini"));
  for (const ReadCase& c : kReadCases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(file.ReadString(c.section, c.key, "(default)"), c.expected);
  }
  EXPECT_EQ(file.ReadSections(), (std::vector<std::string>{"Settings", "Profiel [groot]"}));
}

TEST(IniFileTest, MissingFileReadsDefaultsAndIsNotCreated) {
  test::TempDir dir;
  const TIniFile file(dir.File("none.ini"));
  EXPECT_EQ(file.ReadString("Settings", "Host", "x"), "x");
  EXPECT_EQ(file.ReadInteger("Settings", "Photodelay", 100), 100);
  EXPECT_TRUE(file.ReadSections().empty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.ini")));
}

TEST(IniFileTest, UnreadableFileIsAnError) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.File("folder.ini"));
  const TIniFile file(dir.File("folder.ini"));
  EXPECT_EQ(ErrorText([&] { file.ReadString("S", "k", ""); }).rfind("Cannot open file \"", 0), 0u);
  TIniFile writable(dir.File("folder.ini"));
  EXPECT_EQ(ErrorText([&] { writable.WriteString("S", "k", "v"); }),
            "Unable to write to " + dir.File("folder.ini"));
}

TEST(IniFileTest, ValuesAreCutAt2047Bytes) {
  test::TempDir dir;
  // 2046 ASCII bytes and then a two-byte UTF-8 character that the cut would split.
  const std::string ascii(3000, 'x');
  const std::string split = std::string(2046, 'y') + "\xC3\xA9" + "z";
  TIniFile file(dir.File("a.ini"));
  file.WriteString("S", "Ascii", ascii);
  file.WriteString("S", "Split", split);
  EXPECT_EQ(file.ReadString("S", "Ascii", ""), ascii.substr(0, 2047));
  EXPECT_EQ(file.ReadString("S", "Split", ""), split.substr(0, 2046));
  EXPECT_NE(ReadText(dir.File("a.ini")).find(ascii), std::string::npos);  // stored whole
}

struct IntegerCase {
  const char* stored;
  int32_t expected;  // the default is 100
};

constexpr std::array<IntegerCase, 12> kIntegerCases{{
    {"0x10", 16},
    {"0X1f", 31},
    {"$10", 16},
    {"0xFFFFFFFF", -1},
    {"-5", -5},
    {"2147483647", 2147483647},
    {"2147483648", 100},
    {"0x", 100},
    {"abc", 100},
    {"12abc", 100},
    {"1.5", 100},
    {"", 100},
}};

TEST(IniFileTest, IntegersAndBooleans) {
  test::TempDir dir;
  TIniFile file(dir.File("a.ini"));
  for (const IntegerCase& c : kIntegerCases) {
    SCOPED_TRACE(c.stored);
    file.WriteString("S", "Value", c.stored);
    EXPECT_EQ(file.ReadInteger("S", "Value", 100), c.expected);
  }
  // Read with the default false, so that only a number other than 0 gives true.
  for (const auto& [stored, expected] :
       std::array<std::pair<const char*, bool>, 6>{{{"1", true},
                                                    {"0", false},
                                                    {"-1", true},
                                                    {"0x0", false},
                                                    {"2", true},
                                                    {"yes", false}}}) {
    SCOPED_TRACE(stored);
    file.WriteString("S", "Flag", stored);
    EXPECT_EQ(file.ReadBool("S", "Flag", false), expected);
  }
  file.WriteString("S", "Flag", "0");
  EXPECT_FALSE(file.ReadBool("S", "Flag", true));
  file.WriteInteger("S", "Number", -42);
  file.WriteBool("S", "Yes", true);
  file.WriteBool("S", "No", false);
  EXPECT_EQ(ReadText(dir.File("a.ini")), "[S]\nValue=\nFlag=0\nNumber=-42\nYes=1\nNo=0\n");
}

TEST(IniFileTest, WritesKeepEverythingElseInPlace) {
  test::TempDir dir;
  WriteText(dir.File("a.ini"),
            "; my settings\n"
            "[Settings]\n"
            "Host = old\n"
            "Logo=x.png\n"
            "\n"
            "; the profiles\n"
            "[Klein]\n"
            "Foto_breedte=320\n");
  TIniFile file(dir.File("a.ini"));
  file.WriteString("settings", "HOST", "new");    // replaced where it stands
  file.WriteString("Settings", "Added", "1");     // after the last key of its section
  file.WriteString("klein", "Foto_hoogte", "0");  // into the existing section
  file.WriteString("Groot", "Foto_breedte", "1024");
  EXPECT_EQ(ReadText(dir.File("a.ini")),
            "; my settings\n"
            "[Settings]\n"
            "HOST=new\n"
            "Logo=x.png\n"
            "Added=1\n"
            "\n"
            "; the profiles\n"
            "[Klein]\n"
            "Foto_breedte=320\n"
            "Foto_hoogte=0\n"
            "[Groot]\n"
            "Foto_breedte=1024\n");
}

// A write keeps the byte order mark. Dropping it let a second mark at the start take its
// place at the next read, and "[Settings]" behind that became a section the file had not had.
TEST(IniFileTest, WritesKeepTheByteOrderMark) {
  test::TempDir dir;
  WriteText(dir.File("a.ini"), "\xEF\xBB\xBF\xEF\xBB\xBF[Settings]\nHost=hidden\n");
  TIniFile file(dir.File("a.ini"));
  ASSERT_EQ(file.ReadString("Settings", "Host", "(default)"), "(default)");
  file.WriteString("Klein", "Foto_breedte", "320");
  EXPECT_EQ(file.ReadString("Settings", "Host", "(default)"), "(default)");
  EXPECT_EQ(ReadText(dir.File("a.ini")),
            "\xEF\xBB\xBF\xEF\xBB\xBF[Settings]\nHost=hidden\n[Klein]\nFoto_breedte=320\n");
}

TEST(IniFileTest, EraseSectionRemovesEveryCopyAndNothingElse) {
  test::TempDir dir;
  WriteText(dir.File("a.ini"), "[A]\nk=1\n[B]\nk=2\n[a]\nk=3\n[C]\nk=4\n");
  TIniFile file(dir.File("a.ini"));
  file.EraseSection("a");
  EXPECT_EQ(ReadText(dir.File("a.ini")), "[B]\nk=2\n[C]\nk=4\n");
  EXPECT_EQ(file.ReadString("A", "k", "gone"), "gone");

  TIniFile missing(dir.File("none.ini"));
  missing.EraseSection("A");
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.ini")));
}

TEST(IniFileTest, NewFileHasMode0600AndRewritesKeepIt) {
  test::TempDir dir;
  TIniFile file(dir.File("a.ini"));
  file.WriteString("S", "k", "1");
  EXPECT_EQ(std::filesystem::status(dir.File("a.ini")).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ::chmod(dir.File("a.ini").c_str(), 0644);
  file.WriteString("S", "k", "2");
  EXPECT_EQ(std::filesystem::status(dir.File("a.ini")).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(IniFileTest, SymbolicLinkStaysALink) {
  test::TempDir dir;
  WriteText(dir.File("real.ini"), "[S]\nk=1\n");
  std::filesystem::create_symlink(dir.File("real.ini"), dir.File("link.ini"));
  TIniFile file(dir.File("link.ini"));
  file.WriteString("S", "k", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
  EXPECT_EQ(ReadText(dir.File("real.ini")), "[S]\nk=2\n");
}

// A link to a file outside the settings file's own folder is neither written through nor
// given mode 0600.
TEST(IniFileTest, LinkOutOfItsFolderIsRefused) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.File("data"));
  WriteText(dir.File("victim.txt"), "keep\n");
  ::chmod(dir.File("victim.txt").c_str(), 0644);
  std::filesystem::create_symlink(dir.File("victim.txt"), dir.File("data/settings.ini"));
  TIniFile file(dir.File("data/settings.ini"));
  EXPECT_EQ(ErrorText([&] { file.WriteString("S", "k", "v"); }),
            "Unable to write to " + dir.File("data/settings.ini"));
  EXPECT_EQ(ReadText(dir.File("victim.txt")), "keep\n");
  EXPECT_EQ(std::filesystem::status(dir.File("victim.txt")).permissions() & std::filesystem::perms::all,
            std::filesystem::perms(0644));
}

// What is no settings file is refused at once: a pipe would block the program for ever, a
// huge file would take minutes and gigabytes.
TEST(IniFileTest, PipesAndHugeFilesAreRefused) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("pipe.ini").c_str(), 0600), 0);
  TIniFile pipe(dir.File("pipe.ini"));
  EXPECT_EQ(ErrorText([&] { pipe.ReadString("S", "k", ""); }),
            "Cannot open file \"" + dir.File("pipe.ini") + "\". Not a regular file");
  EXPECT_EQ(ErrorText([&] { pipe.WriteString("S", "k", "v"); }),
            "Unable to write to " + dir.File("pipe.ini"));
  EXPECT_TRUE(std::filesystem::is_fifo(dir.File("pipe.ini")));

  WriteText(dir.File("huge.ini"), "[S]\nk=1\n" + std::string(5 * 1024 * 1024, ';'));
  TIniFile huge(dir.File("huge.ini"));
  EXPECT_EQ(ErrorText([&] { huge.ReadString("S", "k", ""); }),
            "Cannot open file \"" + dir.File("huge.ini") + "\". File too large");
  EXPECT_EQ(ErrorText([&] { huge.WriteString("S", "k", "2"); }),
            "Unable to write to " + dir.File("huge.ini"));
  EXPECT_EQ(std::filesystem::file_size(dir.File("huge.ini")), 8u + 5 * 1024 * 1024);
}

TEST(IniFileTest, RefusesWhatCannotStandOnOneLine) {
  test::TempDir dir;
  const std::string path = dir.File("a.ini");
  WriteText(path, "[S]\nk=1\n");
  TIniFile file(path);
  const std::array<std::array<const char*, 3>, 5> refused{{
      {"S", "k", "two\nlines"},
      {"S", "k", "carriage\rreturn"},
      {"S\n[T]", "k", "v"},
      {"S", "a=b", "v"},
      {"S", "[T]", "v"},
  }};
  for (const auto& [section, key, value] : refused) {
    SCOPED_TRACE(std::string(section) + "/" + key + "/" + value);
    EXPECT_EQ(ErrorText([&] { file.WriteString(section, key, value); }),
              "Unable to write to " + path);
  }
  EXPECT_EQ(ReadText(path), "[S]\nk=1\n");
}

// A file size limit makes every write past it fail with EFBIG, for root as for anyone, just
// as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_old_handler);
  }

 private:
  rlimit m_saved{};
  void (*m_old_handler)(int) = nullptr;
};

TEST(IniFileTest, FailedWriteLeavesTheOldFileWhole) {
  test::TempDir dir;
  const std::string path = dir.File("a.ini");
  const std::string old_text = "[Settings]\nHost=abc\n[Klein]\nFoto_breedte=320\n";
  WriteText(path, old_text);
  TIniFile file(path);
  std::string error;
  {
    FileSizeLimit limit(16);
    error = ErrorText([&] { file.WriteString("Settings", "Password", "secret"); });
  }
  EXPECT_EQ(error, "Unable to write to " + path);
  EXPECT_EQ(ReadText(path), old_text);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temp

  TIniFile nowhere(dir.File("missing/a.ini"));
  EXPECT_EQ(ErrorText([&] { nowhere.WriteString("S", "k", "v"); }),
            "Unable to write to " + dir.File("missing/a.ini"));
}

}  // namespace
}  // namespace fotoloom
