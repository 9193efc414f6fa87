#include "bin/seed_notes/demo_catalogue.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace norvane::seeder {
namespace {

constexpr NoteState kActive = NoteState::Active;
constexpr NoteState kArchived = NoteState::Archived;

struct ExpectedRow {
  std::string_view title;
  std::string_view color;
  std::int64_t days_ago;
  NoteState state;
  std::size_t body_bytes;
};

// Written out independently of the catalogue; non-ASCII title characters are
// spelled as universal character names so every selector is visible.
constexpr std::array<ExpectedRow, 50> kExpected{{
    {"Sprint 42 Goals & Priorities \U0001F3AF", "yellow", 1, kActive, 269},
    {"Norvane Performance Tuning \U0001F680", "pink", 2, kActive, 307},
    {"Database Architecture Notes \U0001F4BE", "blue", 3, kActive, 293},
    {"Rust Memory Management Tips \U0001F980", "green", 4, kActive, 310},
    {"UI/UX Polish Items \U0001F3A8", "orange", 5, kActive, 320},
    {"Keyboard Shortcuts Quick Ref \u26A1", "purple", 6, kActive, 255},
    {"Grocery & Household Shopping \U0001F6D2", "yellow", 1, kActive, 208},
    {"Meeting Notes: 1:1 with Product Lead \U0001F465", "pink", 2, kActive, 308},
    {"API Design Guidelines \U0001F4D0", "blue", 7, kActive, 325},
    {"Book Recommendations \U0001F4DA", "green", 8, kActive, 266},
    {"CSS Glassmorphism Recipe \u2728", "orange", 9, kActive, 260},
    {"Incident Post-Mortem Template \U0001F4CB", "purple", 10, kActive, 360},
    {"Local Dev Environment Setup \U0001F6E0\uFE0F", "yellow", 11, kActive, 232},
    {"Tauri v2 IPC Architecture \U0001F4E1", "pink", 12, kActive, 302},
    {"Crypto & DPAPI Notes \U0001F510", "blue", 13, kActive, 296},
    {"Podcast Episode Ideas \U0001F399\uFE0F", "green", 14, kActive, 246},
    {"Weekend Chores & Errands \U0001F9F9", "orange", 2, kActive, 236},
    {"Git Cheatsheet \U0001F419", "purple", 15, kActive, 221},
    {"Quarterly OKRs Draft \U0001F4C8", "yellow", 16, kActive, 255},
    {"Weekly Meal Prep Plan \U0001F957", "pink", 17, kActive, 259},
    {"Design System Tokens \U0001F4D0", "blue", 18, kActive, 173},
    {"WSL2 & Linux Terminal Config \U0001F427", "green", 19, kActive, 299},
    {"Feature Idea: Temporary Scratchpad \U0001F4A1", "orange", 20, kActive, 271},
    {"Coffee Brewing Recipes \u2615", "purple", 21, kActive, 237},
    {"Security Audit Checklist \U0001F6E1\uFE0F", "yellow", 22, kActive, 319},
    {"Frontend State Architecture \U0001F3D7\uFE0F", "pink", 23, kActive, 274},
    {"Travel Packing Checklist \u2708\uFE0F", "blue", 3, kActive, 258},
    {"Regex Patterns Reference \U0001F50D", "green", 24, kActive, 275},
    {"Customer Testimonials & Feedback \U0001F4AC", "orange", 25, kActive, 267},
    {"Weekly Workout Split \U0001F3CB\uFE0F", "purple", 26, kActive, 252},
    {"Color Contrast & Accessibility \U0001F441\uFE0F", "yellow", 27, kActive, 416},
    {"Async Rust Best Practices \u26A1", "pink", 28, kActive, 312},
    {"Desk Setup Ergonomics \U0001FA91", "blue", 29, kActive, 293},
    {"Release Checklist v0.2.0 \U0001F4E6", "green", 1, kActive, 318},
    {"HTTP Status Codes Quick Reference \U0001F310", "orange", 30, kActive, 440},
    {"Daily Standup Notes \u2615", "purple", 0, kActive, 252},
    {"Quotes on Software Engineering \U0001F4A1", "yellow", 31, kActive, 306},
    {"Typography & Font Stack \U0001F524", "pink", 32, kActive, 272},
    {"Playwright E2E Test Strategy \U0001F3AD", "blue", 33, kActive, 280},
    {"Tauri Window Geometry & Multi-Monitor \U0001F5A5\uFE0F", "green", 34, kActive, 280},
    {"[Archived] Q2 Retrospective Notes \U0001F4CA", "yellow", 45, kArchived, 280},
    {"[Archived] Old Office Wi-Fi Credentials \U0001F4F6", "pink", 60, kArchived, 142},
    {"[Archived] Deprecated API Migration Guide \U0001F4DD", "blue", 50, kArchived, 258},
    {"[Archived] Completed MVP: Dark Mode \U0001F319", "green", 55, kArchived, 223},
    {"[Archived] Legacy Hotkey System Prototype \u2699\uFE0F", "orange", 65, kArchived, 217},
    {"[Archived] Landing Page Copy Concepts \u270D\uFE0F", "purple", 70, kArchived, 246},
    {"[Archived] Windows 10 Build 19045 Verification \U0001FA9F", "yellow", 75, kArchived, 240},
    {"[Archived] Holiday Gift Shopping 2025 \U0001F381", "pink", 80, kArchived, 218},
    {"[Archived] Prototype: Canvas Sticky Board \U0001F5BC\uFE0F", "blue", 85, kArchived, 267},
    {"[Archived] 2025 Tech Conferences Attended \U0001F3AA", "green", 90, kArchived, 258},
}};

struct QuotedBody {
  std::size_t row;  // 1-based, as in the table above
  std::string_view body;
};

constexpr std::array<QuotedBody, 4> kQuotedBodies{{
    {3,
     "PRAGMA journal_mode = WAL;\n"
     "PRAGMA synchronous = NORMAL;\n"
     "PRAGMA busy_timeout = 5000;\n"
     "\n"
     "Indexes:\n"
     "- idx_notes_state ON notes(state)\n"
     "- idx_notes_sort ON notes(sort_order)\n"
     "\n"
     "All bodies are stored as BLOB (DPAPI CryptProtectData at rest). Titles remain plaintext in "
     "SQLite for rapid header-only scans."},
    {7,
     "- [x] Organic oat milk (2 cartons)\n"
     "- [x] Artisan sourdough bread\n"
     "- [ ] Cold brew concentrate\n"
     "- [ ] Ripe avocados (x4)\n"
     "- [ ] Ethiopian whole bean espresso\n"
     "- [ ] Honeycrisp apples\n"
     "- [ ] Greek yogurt (plain, 5%)"},
    {31,
     "Theme Contrast Audits:\n"
     "• Yellow: `#fef3c7` bg with `#78350f` text -> Ratio 10.4:1 (AAA)\n"
     "• Pink: `#fce7f3` bg with `#831843` text -> Ratio 9.8:1 (AAA)\n"
     "• Blue: `#e0f2fe` bg with `#075985` text -> Ratio 8.9:1 (AAA)\n"
     "• Green: `#dcfce7` bg with `#14532d` text -> Ratio 9.2:1 (AAA)\n"
     "• Orange: `#ffedd5` bg with `#7c2d12` text -> Ratio 11.1:1 (AAA)\n"
     "• Purple: `#f3e8ff` bg with `#581c87` text -> Ratio 10.1:1 (AAA)"},
    {36,
     "Yesterday:\n"
     "- Researched SQLite query plans for note ordering.\n"
     "- Verified DPAPI key rotation handling.\n"
     "\n"
     "Today:\n"
     "- Adding 50 demo notes to benchmark local database and dock responsiveness.\n"
     "- Checking card hover transitions under stress.\n"
     "\n"
     "Blockers:\n"
     "- None."},
}};

TEST(DemoCatalogue, EveryRowMatchesTheTable) {
  const auto notes = demo_catalogue();
  ASSERT_EQ(notes.size(), kExpected.size());
  for (std::size_t i = 0; i < notes.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    const DemoNote& note = notes[i];
    const ExpectedRow& want = kExpected[i];
    EXPECT_EQ(note.title, want.title);
    EXPECT_EQ(note.color, want.color);
    EXPECT_EQ(note.days_ago, want.days_ago);
    EXPECT_EQ(note.state, want.state);
    EXPECT_EQ(note.body.size(), want.body_bytes);
    EXPECT_FALSE(note.body.ends_with('\n'));
  }
}

TEST(DemoCatalogue, TitleKeepsRawUtf8OfEmojiAndSelector) {
  // Row 13 ends in U+1F6E0 U+FE0F; pin the raw bytes so a change in how the
  // compiler encodes narrow literals cannot slip through on both sides.
  const auto notes = demo_catalogue();
  ASSERT_EQ(notes.size(), 50u);
  EXPECT_TRUE(notes[12].title.ends_with("Setup \xF0\x9F\x9B\xA0\xEF\xB8\x8F"));
}

TEST(DemoCatalogue, QuotedBodiesAreExact) {
  const auto notes = demo_catalogue();
  ASSERT_EQ(notes.size(), 50u);
  for (const QuotedBody& quoted : kQuotedBodies) {
    SCOPED_TRACE("row " + std::to_string(quoted.row));
    EXPECT_EQ(notes[quoted.row - 1].body, quoted.body);
  }
}

TEST(DemoCatalogue, FortyActiveThenTenArchivedWithPrefixedTitles) {
  const auto notes = demo_catalogue();
  ASSERT_EQ(notes.size(), 50u);
  std::size_t archived = 0;
  for (std::size_t i = 0; i < notes.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    const bool is_archived = notes[i].state == NoteState::Archived;
    EXPECT_EQ(is_archived, i >= 40);
    EXPECT_EQ(notes[i].title.starts_with("[Archived] "), is_archived);
    if (is_archived) ++archived;
  }
  EXPECT_EQ(notes.size() - archived, 40u);
  EXPECT_EQ(archived, 10u);
}

}  // namespace
}  // namespace norvane::seeder
