#include "error/debug_text.h"

#include <gtest/gtest.h>

#include "support/unicode_library.h"
#include "text/utf8.h"

namespace norvane {
namespace {

using namespace std::string_literals;

TEST(DebugQuoted, EscapesQuotesBackslashesAndCommonControls) {
  EXPECT_EQ(debug_quoted("plain"), R"("plain")");
  EXPECT_EQ(debug_quoted(R"(say "hi" \ bye)"), R"("say \"hi\" \\ bye")");
  EXPECT_EQ(debug_quoted("a\nb\rc\td"), R"("a\nb\rc\td")");
  EXPECT_EQ(debug_quoted("nul:\0!"s), R"("nul:\0!")");
  EXPECT_EQ(debug_quoted(""), R"("")");
}

TEST(DebugQuoted, KeepsSingleQuotesSpacesAndNonAscii) {
  EXPECT_EQ(debug_quoted("it's"), R"("it's")");
  EXPECT_EQ(debug_quoted("  two spaces "), R"("  two spaces ")");
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
  EXPECT_EQ(debug_quoted("Grüße 🎯 日本"), "\"Grüße 🎯 日本\"");
  // A variation selector is a combining mark, not a format character.
  EXPECT_EQ(debug_quoted("🛠️"), "\"🛠️\"");
}

TEST(DebugQuoted, EscapesOtherNonPrintingCharactersAsCodePoints) {
  EXPECT_EQ(debug_quoted("\x01\x1b\x7f"), R"("\u{1}\u{1b}\u{7f}")");  // Cc
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
  EXPECT_EQ(debug_quoted("\xc2\x85"), R"("\u{85}")");                // Cc (NEL)
  EXPECT_EQ(debug_quoted("a\u200bb"), R"("a\u{200b}b")");            // Cf
  EXPECT_EQ(debug_quoted("\u00ad"), R"("\u{ad}")");                  // Cf
  EXPECT_EQ(debug_quoted("\ue000"), R"("\u{e000}")");                // Co
  EXPECT_EQ(debug_quoted("\u2028\u2029"), R"("\u{2028}\u{2029}")");  // Zl, Zp
  EXPECT_EQ(debug_quoted("\u00a0\u3000"), R"("\u{a0}\u{3000}")");    // Zs
  EXPECT_EQ(debug_quoted("\U000e0001"), R"("\u{e0001}")");           // Cf, astral
  EXPECT_EQ(debug_quoted("\xf4\x8f\xbf\xbf"), R"("\u{10ffff}")");    // Cn
}

TEST(DebugQuoted, ShowsBytesThatAreNotUtf8AsReplacementCharacters) {
  EXPECT_EQ(lossy_utf8("ok \xc0\xaf"), "ok \uFFFD\uFFFD");
  EXPECT_EQ(lossy_utf8("ok é"), "ok é");
  NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY();
  EXPECT_EQ(debug_quoted("a\xff"
                         "b"),
            "\"a\uFFFDb\"");
  EXPECT_EQ(debug_quoted("\xe2\x82"), "\"\uFFFD\"");  // one maximal subpart, one U+FFFD
}

}  // namespace
}  // namespace norvane
