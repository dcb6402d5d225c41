#include "core/publish/ScriptPattern.h"

#include <gtest/gtest.h>

#include <array>

#include "core/base/Error.h"

namespace fotoloom {
namespace {

TEST(ScriptPatternTest, FillsTextDirectives) {
  struct Case {
    const char* pattern;
    const char* expected;
  };
  constexpr std::array kCases = {
      Case{"http://site/add.php?foto=%s", "http://site/add.php?foto=a.jpg"},
      Case{"http://site/klaar.php", "http://site/klaar.php"},
      Case{"%s|%s|%s", "a.jpg|Zomer|Urk"},
      Case{"%S", "a.jpg"},
      Case{"100%%/%s", "100%/a.jpg"},
      Case{"naam%%20%s", "naam%20a.jpg"},
      Case{"[%8s]", "[   a.jpg]"},
      Case{"[%-8s]", "[a.jpg   ]"},
      Case{"[%.3s]", "[a.j]"},
      Case{"[%-7.2s]", "[a.     ]"},
      Case{"[%2s]", "[a.jpg]"},
      Case{"%2:s-%0:s-%s", "Urk-a.jpg-Zomer"},
      Case{"%1:-6s!", "Zomer !"},
      Case{"", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(ExpandScriptPattern(c.pattern, {"a.jpg", "Zomer", "Urk"}), c.expected);
  }
}

TEST(ScriptPatternTest, RefusesOtherDirectivesAndMissingArguments) {
  // A single percent sign before two hexadecimal digits is a directive, and no text one.
  for (const char* pattern : {"http://site/foto%20%s", "%d", "%s%s", "%3:s", "%", "abc%",
                              "%-", "%5", "%.s", "%.5", "%*s", "%1x"}) {
    SCOPED_TRACE(pattern);
    try {
      ExpandScriptPattern(pattern, {"a.jpg"});
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()),
                "Format '" + std::string(pattern) + "' invalid or incompatible with argument");
    }
  }
}

}  // namespace
}  // namespace fotoloom
