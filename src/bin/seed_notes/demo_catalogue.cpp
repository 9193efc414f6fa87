// The demo notes a seeding run inserts. Titles keep their emoji exactly as
// shown in the app; an emoji that needs the emoji presentation selector
// carries it as an explicit \uFE0F so that it stays visible in the source.
#include "demo_catalogue.h"

#include <array>

namespace norvane::seeder {
namespace {

constexpr auto kDemoNotes = std::to_array<DemoNote>({
    {"Sprint 42 Goals & Priorities 🎯",
     "Top priorities this sprint:\n"
     "- [x] Ship the note search index behind a feature flag\n"
     "- [ ] Cold start below 300 ms on low-end laptops\n"
     "- [ ] Fix drag-and-drop reorder bug in the dock\n"
     "- [ ] Add telemetry opt-out toggle to settings\n"
     "- [ ] Integration tests for the sync queue",
     "yellow", 1, NoteState::Active},
    {"Norvane Performance Tuning 🚀",
     "Profiling findings (release build, 500 notes):\n"
     "1. First render spends 40% of its time re-parsing note JSON; cache it.\n"
     "2. Card shadows trigger full repaints on scroll; use a pre-rendered layer.\n"
     "3. Database reads block the UI thread; move them to a worker.\n"
     "4. Font loading adds 80 ms; preload the two weights.",
     "pink", 2, NoteState::Active},
    {"Database Architecture Notes 💾",
     "PRAGMA journal_mode = WAL;\n"
     "PRAGMA synchronous = NORMAL;\n"
     "PRAGMA busy_timeout = 5000;\n"
     "\n"
     "Indexes:\n"
     "- idx_notes_state ON notes(state)\n"
     "- idx_notes_sort ON notes(sort_order)\n"
     "\n"
     "All bodies are stored as BLOB (DPAPI CryptProtectData at rest). Titles remain plaintext in "
     "SQLite for rapid header-only scans.",
     "blue", 3, NoteState::Active},
    {"Rust Memory Management Tips 🦀",
     "Keeping the memory footprint small:\n"
     "- Borrow instead of cloning big note strings; pass &str wherever you can.\n"
     "- Prefer Vec::with_capacity when the final size is known up front.\n"
     "- Drop decrypted bodies as soon as the card has been rendered.\n"
     "- Watch for Arc cycles in long-lived state; use Weak for parent links.",
     "green", 4, NoteState::Active},
    {"UI/UX Polish Items 🎨",
     "UI polish before the next beta build:\n"
     "1. Align the card title baseline with the colour dot; it sits 1px too low.\n"
     "2. Ease the dock slide-in with a 180 ms ease-out curve instead of linear.\n"
     "3. Show a subtle focus ring for keyboard navigation only.\n"
     "4. Make the empty state illustration scale down in tiny or snapped windows.",
     "orange", 5, NoteState::Active},
    {"Keyboard Shortcuts Quick Ref ⚡",
     "Global shortcuts:\n"
     "Ctrl+Alt+N  - new note from anywhere\n"
     "Ctrl+Alt+D  - show or hide the dock\n"
     "Ctrl+Alt+F  - focus the search box\n"
     "Ctrl+Alt+A  - archive the selected note\n"
     "Ctrl+Alt+L  - lock the selected note\n"
     "All of them can be re-mapped in Settings > Keyboard.",
     "purple", 6, NoteState::Active},
    {"Grocery & Household Shopping 🛒",
     "- [x] Organic oat milk (2 cartons)\n"
     "- [x] Artisan sourdough bread\n"
     "- [ ] Cold brew concentrate\n"
     "- [ ] Ripe avocados (x4)\n"
     "- [ ] Ethiopian whole bean espresso\n"
     "- [ ] Honeycrisp apples\n"
     "- [ ] Greek yogurt (plain, 5%)",
     "yellow", 1, NoteState::Active},
    {"Meeting Notes: 1:1 with Product Lead 👥",
     "Date: Tuesday, 10:00 to 10:30\n"
     "Attendees: me, the product lead\n"
     "\n"
     "Topics:\n"
     "1. Roadmap: note locking moves up, sharing slips one release.\n"
     "2. Feedback: users want faster search and larger cards.\n"
     "3. Metrics: weekly active use is flat; look at onboarding drop-off.\n"
     "4. Hiring: a second designer role opens next month.",
     "pink", 2, NoteState::Active},
    {"API Design Guidelines 📐",
     "API design rules we agreed on in review:\n"
     "1. Nouns for resources, verbs only for actions that are not CRUD.\n"
     "2. Every error response carries a stable machine code plus a human message.\n"
     "3. List endpoints are paginated by cursor, never by a page offset.\n"
     "4. Timestamps are RFC 3339 in UTC; never send local times or epoch seconds.",
     "blue", 7, NoteState::Active},
    {"Book Recommendations 📚",
     "Next on my shelf:\n"
     "1. \"The Pragmatic Programmer\" by Hunt & Thomas\n"
     "2. \"Designing Data-Intensive Applications\" by Martin Kleppmann\n"
     "3. \"A Philosophy of Software Design\" by John Ousterhout\n"
     "4. \"Refactoring\" by Martin Fowler\n"
     "5. \"The Design of Everyday Things\" by Don Norman",
     "green", 8, NoteState::Active},
    {"CSS Glassmorphism Recipe ✨",
     "/* Frosted glass cards for the side dock */\n"
     ".dock-card {\n"
     "  background: rgba(255, 255, 255, 0.18);\n"
     "  backdrop-filter: blur(14px) saturate(160%);\n"
     "  border: 1px solid rgba(255, 255, 255, 0.3);\n"
     "  border-radius: 14px;\n"
     "  box-shadow: 0 8px 24px rgba(0, 0, 0, 0.12);\n"
     "}",
     "orange", 9, NoteState::Active},
    {"Incident Post-Mortem Template 📋",
     "Incident: <one-line title>\n"
     "\n"
     "Summary:\n"
     "- What happened, who was affected, for how long.\n"
     "\n"
     "Timeline (UTC):\n"
     "- hh:mm  first alert\n"
     "- hh:mm  cause identified\n"
     "- hh:mm  fix deployed\n"
     "- hh:mm  all clear\n"
     "\n"
     "Impact:\n"
     "- Users, data, revenue affected.\n"
     "\n"
     "Root cause:\n"
     "- The technical reason, in a few sentences.\n"
     "\n"
     "Action items:\n"
     "- [ ] Owner, task, due date\n"
     "- [ ] Owner, task, due date",
     "purple", 10, NoteState::Active},
    {"Local Dev Environment Setup 🛠\uFE0F",
     "Requirements:\n"
     "- Rust stable (latest) with the MSVC toolchain\n"
     "- Node.js 20 LTS and pnpm 9\n"
     "- WebView2 runtime (ships with Windows 11)\n"
     "- Visual Studio 2022 Build Tools, C++ workload\n"
     "\n"
     "To start a dev build:\n"
     "pnpm install && pnpm tauri dev",
     "yellow", 11, NoteState::Active},
    {"Tauri v2 IPC Architecture 📡",
     "IPC channels:\n"
     "- notes:list / notes:create / notes:update: commands from the webview to the Rust core\n"
     "- notes:changed: event pushed to every window after a write\n"
     "- dock:toggle: event from the global shortcut handler\n"
     "\n"
     "Error mapping: each core error becomes { code, message } before it crosses the bridge.",
     "pink", 12, NoteState::Active},
    {"Crypto & DPAPI Notes 🔐",
     "Data at rest:\n"
     "1. Bodies are encrypted with DPAPI under the current user's keys.\n"
     "2. Another account on the same machine cannot decrypt them.\n"
     "3. Titles stay plaintext so lists load without decryption.\n"
     "4. The app itself stores no keys.\n"
     "5. Copying the database to another PC leaves bodies unreadable.",
     "blue", 13, NoteState::Active},
    {"Podcast Episode Ideas 🎙\uFE0F",
     "Episode ideas:\n"
     "\n"
     "1. Why we chose a local-first note store over a cloud backend.\n"
     "2. Shipping a small desktop app: installers, updates, signing.\n"
     "3. Interview: a designer on colours and readability.\n"
     "4. Listener questions on keyboard-driven workflows.",
     "green", 14, NoteState::Active},
    {"Weekend Chores & Errands 🧹",
     "Weekend chores and errands:\n"
     "- [x] Vacuum the living room\n"
     "- [ ] Take the recycling and glass out\n"
     "- [ ] Water the balcony and hall plants\n"
     "- [ ] Pick up the dry cleaning\n"
     "- [ ] Change the bed sheets\n"
     "- [ ] Drop the parcels at the post office",
     "orange", 2, NoteState::Active},
    {"Git Cheatsheet 🐙",
     "git status -sb\n"
     "git switch -c feature/name\n"
     "git add -p\n"
     "git commit --amend --no-edit\n"
     "git rebase -i origin/main\n"
     "git stash push -m \"wip\"\n"
     "git log --oneline --graph --decorate\n"
     "Tip: fetch first so the rebase uses the newest main.",
     "purple", 15, NoteState::Active},
    {"Quarterly OKRs Draft 📈",
     "Objective: make the app feel instant on any machine.\n"
     "\n"
     "Key results:\n"
     "1. Cold start under 300 ms on the reference laptop.\n"
     "2. Search results in under 50 ms with 5,000 notes.\n"
     "3. Crash-free sessions at 99.8% or better.\n"
     "4. The dock animation never drops a frame.",
     "yellow", 16, NoteState::Active},
    {"Weekly Meal Prep Plan 🥗",
     "Breakfast:\n"
     "- Overnight oats with berries\n"
     "- Boiled eggs, two per day\n"
     "\n"
     "Lunch:\n"
     "- Chicken, rice and roasted vegetables\n"
     "- Lentil salad with feta\n"
     "\n"
     "Dinner:\n"
     "- Salmon with sweet potato\n"
     "- Veggie stir-fry with tofu\n"
     "Batch-cook on Sunday afternoons; it lasts until Friday.",
     "pink", 17, NoteState::Active},
    {"Design System Tokens 📐",
     "Spacing scale:\n"
     "--space-1: 4px\n"
     "--space-2: 8px\n"
     "--space-3: 12px\n"
     "--space-4: 16px\n"
     "--space-5: 24px\n"
     "\n"
     "Radius:\n"
     "--radius-sm: 6px\n"
     "--radius-md: 10px\n"
     "--radius-lg: 14px\n"
     "--radius-full: 50%",
     "blue", 18, NoteState::Active},
    {"WSL2 & Linux Terminal Config 🐧",
     "# Install WSL2 with Ubuntu\n"
     "wsl --install -d Ubuntu\n"
     "\n"
     "# Shell and prompt\n"
     "sudo apt update && sudo apt install -y zsh git curl\n"
     "curl -sS https://starship.rs/install.sh | sh\n"
     "\n"
     "# Windows Terminal theme\n"
     "See https://github.com/microsoft/terminal for settings.json examples.\n"
     "\n"
     "# Handy aliases\n"
     "alias ll='ls -alF'",
     "green", 19, NoteState::Active},
    {"Feature Idea: Temporary Scratchpad 💡",
     "Idea: a scratchpad note that clears itself.\n"
     "\n"
     "- Opens with a shortcut, no title is needed.\n"
     "- Text is kept in memory only, never written to disk.\n"
     "- Wiped when the dock closes, unless pinned.\n"
     "- One click turns it into a regular note.\n"
     "\n"
     "Handy for phone numbers and quick sums.",
     "orange", 20, NoteState::Active},
    {"Coffee Brewing Recipes ☕",
     "Pour-over (1 cup):\n"
     "- 15 g coffee, medium-fine grind\n"
     "- 250 g water at 94 C\n"
     "\n"
     "0:00  bloom with 40 g water\n"
     "0:45  pour to 150 g, slow circles\n"
     "1:15  pour to 250 g\n"
     "2:30  drawdown should be done\n"
     "\n"
     "Too bitter? Grind coarser. Too sour? Grind finer.",
     "purple", 21, NoteState::Active},
    {"Security Audit Checklist 🛡\uFE0F",
     "Security audit before v0.2.0:\n"
     "- [x] Bodies encrypted at rest with per-user DPAPI\n"
     "- [x] SQL uses bound parameters everywhere, no string building\n"
     "- [x] Content Security Policy blocks all remote scripts\n"
     "- [x] Dependencies scanned, zero known advisories\n"
     "- [ ] Review the auto-updater's signature verification before release",
     "yellow", 22, NoteState::Active},
    {"Frontend State Architecture 🏗\uFE0F",
     "Front-end state management rules:\n"
     "1. One store per domain: notes, settings and UI.\n"
     "2. Keep server-derived data separate from view state.\n"
     "3. Derive filtered lists with selectors instead of storing copies.\n"
     "4. Write optimistic updates, and roll them back if the IPC call fails.",
     "pink", 23, NoteState::Active},
    {"Travel Packing Checklist ✈\uFE0F",
     "Packing list (3-day trip):\n"
     "- [ ] Passport and boarding pass\n"
     "- [ ] Laptop, charger and travel adapter\n"
     "- [ ] Noise-cancelling headphones\n"
     "- [ ] Three days of clothes\n"
     "- [ ] Toiletries in a clear 1 L bag\n"
     "- [ ] Reusable water bottle (empty)\n"
     "- [ ] Light rain jacket",
     "blue", 3, NoteState::Active},
    {"Regex Patterns Reference 🔍",
     "Handy patterns:\n"
     "\n"
     "UUID v4 (lower-case):\n"
     "^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$\n"
     "\n"
     "RFC 3339 timestamps:\n"
     "^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}(\\.\\d+)?(Z|[+-]\\d{2}:\\d{2})$\n"
     "\n"
     "Semantic version:\n"
     "^(0|[1-9]\\d*)\\.(0|[1-9]\\d*)\\.(0|[1-9]\\d*)(-[0-9A-Za-z.-]+)?$",
     "green", 24, NoteState::Active},
    {"Customer Testimonials & Feedback 💬",
     "\"The dock is the first notes app I actually keep open all day.\" - Priya, product designer\n"
     "\n"
     "\"Search is instant, even with thousands of notes in my database.\" - Marco, backend "
     "engineer\n"
     "\n"
     "\"I like that my notes stay on my machine and are always encrypted.\" - Dana, analyst",
     "orange", 25, NoteState::Active},
    {"Weekly Workout Split 🏋\uFE0F",
     "Day A: upper body (Monday)\n"
     "- Bench press 4x6\n"
     "- Pull-ups 4x10\n"
     "- Overhead press 3x8\n"
     "- Rows 3x10\n"
     "\n"
     "Day B: lower body (Thursday)\n"
     "- Squats 4x6\n"
     "- Romanian deadlifts 3x8\n"
     "- Walking lunges 3x12\n"
     "- Calf raises 3x15\n"
     "\n"
     "Warm up for 10 minutes first; add weight weekly.",
     "purple", 26, NoteState::Active},
    {"Color Contrast & Accessibility 👁\uFE0F",
     "Theme Contrast Audits:\n"
     "• Yellow: `#fef3c7` bg with `#78350f` text -> Ratio 10.4:1 (AAA)\n"
     "• Pink: `#fce7f3` bg with `#831843` text -> Ratio 9.8:1 (AAA)\n"
     "• Blue: `#e0f2fe` bg with `#075985` text -> Ratio 8.9:1 (AAA)\n"
     "• Green: `#dcfce7` bg with `#14532d` text -> Ratio 9.2:1 (AAA)\n"
     "• Orange: `#ffedd5` bg with `#7c2d12` text -> Ratio 11.1:1 (AAA)\n"
     "• Purple: `#f3e8ff` bg with `#581c87` text -> Ratio 10.1:1 (AAA)",
     "yellow", 27, NoteState::Active},
    {"Async Rust Best Practices ⚡",
     "Async Rust practices we follow:\n"
     "1. Never block inside an async task; move file and crypto work to spawn_blocking.\n"
     "2. Hold a mutex guard only briefly and never across an .await point.\n"
     "3. Give every network call an explicit timeout.\n"
     "4. Prefer structured concurrency: awaited join handles instead of detached tasks.",
     "pink", 28, NoteState::Active},
    {"Desk Setup Ergonomics 🪑",
     "Desk ergonomics checklist:\n"
     "1. Top of the monitor at or slightly below eye level, so the neck stays neutral.\n"
     "2. Screen about an arm's length away.\n"
     "3. Elbows at 90 degrees, wrists straight while typing.\n"
     "4. Feet flat on the floor or on a footrest.\n"
     "5. Stand up and rest your eyes every 45 minutes.",
     "blue", 29, NoteState::Active},
    {"Release Checklist v0.2.0 📦",
     "Release v0.2.0 steps, in order:\n"
     "- [ ] Bump the version in package.json and Cargo.toml\n"
     "- [ ] Update CHANGELOG with user-facing changes\n"
     "- [ ] Run the full E2E suite on Windows 10 and 11\n"
     "- [ ] Build and code-sign the MSI installer\n"
     "- [ ] Tag the release and push the tag\n"
     "- [ ] Publish the update manifest and release notes",
     "green", 1, NoteState::Active},
    {"HTTP Status Codes Quick Reference 🌐",
     "HTTP status codes we return or handle:\n"
     "200 OK - request succeeded, body has the result.\n"
     "201 Created - a new resource was created; see Location.\n"
     "204 No Content - success with no body.\n"
     "304 Not Modified - the cached copy is still valid.\n"
     "400 Bad Request - the input failed validation.\n"
     "401 Unauthorized - missing or invalid credentials.\n"
     "404 Not Found - no resource at this address.\n"
     "500 Internal Server Error - the server hit an unexpected error.",
     "orange", 30, NoteState::Active},
    {"Daily Standup Notes ☕",
     "Yesterday:\n"
     "- Researched SQLite query plans for note ordering.\n"
     "- Verified DPAPI key rotation handling.\n"
     "\n"
     "Today:\n"
     "- Adding 50 demo notes to benchmark local database and dock responsiveness.\n"
     "- Checking card hover transitions under stress.\n"
     "\n"
     "Blockers:\n"
     "- None.",
     "purple", 0, NoteState::Active},
    {"Quotes on Software Engineering 💡",
     "\"Simplicity is prerequisite for reliability.\" - E. W. Dijkstra\n"
     "\n"
     "\"Premature optimization is the root of all evil.\" - Donald E. Knuth\n"
     "\n"
     "\"Make it work, make it right, make it fast.\" - Kent Beck\n"
     "\n"
     "\"Programs must be written for people to read, and only incidentally for machines to "
     "execute.\" - Abelson and Sussman",
     "yellow", 31, NoteState::Active},
    {"Typography & Font Stack 🔤",
     "Font pairings in use:\n"
     "1. Titles: Inter SemiBold / Body: Inter Regular\n"
     "2. Code blocks: JetBrains Mono / Inline code: same, 0.9em\n"
     "3. Handwritten theme: Caveat / Body: Nunito\n"
     "4. Native theme: Segoe UI Semibold / Body: Segoe UI\n"
     "Bodies use 15px at line height 1.5; titles 17px.",
     "pink", 32, NoteState::Active},
    {"Playwright E2E Test Strategy 🎭",
     "E2E coverage areas:\n"
     "1. Create, edit and delete a note, then restart and check it persisted.\n"
     "2. Archive and restore notes from the dock.\n"
     "3. Search by title and by decrypted body text.\n"
     "4. Keyboard-only navigation through the dock.\n"
     "5. Colour changes and note order survive a restart.",
     "blue", 33, NoteState::Active},
    {"Tauri Window Geometry & Multi-Monitor 🖥\uFE0F",
     "Dock positioning maths:\n"
     "1. Find the monitor under the cursor, not the primary one.\n"
     "2. Use its work area so the taskbar is never covered.\n"
     "3. Scale logical sizes by that monitor's DPI factor.\n"
     "4. Snap to the right edge: x = work.right - width - margin; y centres the dock vertically.",
     "green", 34, NoteState::Active},
    // Archived notes.
    {"[Archived] Q2 Retrospective Notes 📊",
     "Q2 retrospective\n"
     "\n"
     "What went well:\n"
     "- Shipped the dock and note colours on time.\n"
     "- Crash reports dropped by half.\n"
     "- Pairing on reviews sped up merges.\n"
     "\n"
     "What could be improved:\n"
     "- Too many late scope changes.\n"
     "- Release notes written in a rush.\n"
     "- Flaky E2E tests delayed every release.",
     "yellow", 45, NoteState::Archived},
    {"[Archived] Old Office Wi-Fi Credentials 📶",
     "Network: NV-OFFICE-3F\n"
     "Password: demo-password-1234\n"
     "\n"
     "This network was decommissioned after we moved to the new office; kept for reference only.",
     "pink", 60, NoteState::Archived},
    {"[Archived] Deprecated API Migration Guide 📝",
     "Migrating off early endpoints:\n"
     "- /v0/notes/all is gone; use /v1/notes with cursors.\n"
     "- /v0/note/save is split into POST and PATCH on /v1/notes.\n"
     "- Dates are now RFC 3339 strings, not epoch numbers.\n"
     "Removed endpoints now return 410 Gone with a link to the docs.",
     "blue", 50, NoteState::Archived},
    {"[Archived] Completed MVP: Dark Mode 🌙",
     "Dark mode, done:\n"
     "- Follows the system theme by default, with a manual override.\n"
     "- Card colours use darker variants with the same hue.\n"
     "- Contrast checked for every colour.\n"
     "- Theme switch applies instantly, without a restart.",
     "green", 55, NoteState::Archived},
    {"[Archived] Legacy Hotkey System Prototype ⚙\uFE0F",
     "Prototype: hotkeys registered by a polling loop that checked key state every 50 ms.\n"
     "Problems: CPU load while idle and missed quick presses.\n"
     "\n"
     "Replaced by the global shortcut plugin, which registers real system hotkeys.",
     "orange", 65, NoteState::Archived},
    {"[Archived] Landing Page Copy Concepts ✍\uFE0F",
     "Landing page headline drafts:\n"
     "- \"Notes that stay out of your way.\"\n"
     "- \"Your ideas, one shortcut away.\"\n"
     "- \"Sticky notes, rebuilt for developers.\"\n"
     "- \"Private by default, fast by design.\"\n"
     "\n"
     "Chosen: \"Your ideas, one shortcut away.\" It sells the hotkey.",
     "purple", 70, NoteState::Archived},
    {"[Archived] Windows 10 Build 19045 Verification 🪟",
     "Windows 10 22H2, build 19045:\n"
     "- Installer runs without admin rights: OK\n"
     "- WebView2 runtime detected: OK\n"
     "- Dock blur falls back to solid color: OK\n"
     "- Global shortcuts register: OK\n"
     "- DPAPI round trip: OK\n"
     "\n"
     "No blockers; build 19045 is supported.",
     "yellow", 75, NoteState::Archived},
    {"[Archived] Holiday Gift Shopping 2025 🎁",
     "Gift list:\n"
     "- [x] Mom: ceramic planter and seeds\n"
     "- [x] Dad: hardcover history book\n"
     "- [ ] Sister: wireless earbuds\n"
     "- [ ] Nephew: building blocks set\n"
     "\n"
     "Budget: keep it under 300 in total. Order everything by December 10th.",
     "pink", 80, NoteState::Archived},
    {"[Archived] Prototype: Canvas Sticky Board 🖼\uFE0F",
     "Spike: notes as free-floating cards on an infinite canvas.\n"
     "- Built with a single <canvas> and manual hit testing.\n"
     "- Panning and zooming felt smooth.\n"
     "- Text editing and accessibility were really hard.\n"
     "\n"
     "Conclusion: not worth it for now; the dock stays as the main view.",
     "blue", 85, NoteState::Archived},
    {"[Archived] 2025 Tech Conferences Attended 🎪",
     "Conferences attended this year:\n"
     "1. RustConf - talks on async runtimes and embedded.\n"
     "2. Config - design systems and prototyping workshops.\n"
     "3. Local-First Conf - sync engines and CRDTs.\n"
     "\n"
     "Best takeaway: keep the data on the device and sync as an optional extra.",
     "green", 90, NoteState::Archived},
});

static_assert(kDemoNotes.size() == 50);

}  // namespace

std::span<const DemoNote> demo_catalogue() noexcept {
  return kDemoNotes;
}

}  // namespace norvane::seeder
