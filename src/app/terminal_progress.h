#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "analysis/run_progress.h"

// How a progress line is drawn; every member is injectable so tests can drive
// it with a fake clock and a string instead of a terminal.
struct ProgressLineSettings {
  // Receives the bytes to show (never a line feed except `startOnFreshLine`).
  std::function<void(const std::string&)> write;
  // A monotonic clock in milliseconds from any fixed origin.
  std::function<std::chrono::milliseconds()> now;
  // The line stays hidden until this long after the first update().
  std::chrono::milliseconds showAfter{1000};
  // At most one redraw per interval.
  std::chrono::milliseconds redrawEvery{250};
  // The terminal's width; the line is cut to width - 1 so it never wraps
  // (a wrapped line cannot be redrawn with '\r'). 0: unknown, never cut.
  size_t columns = 0;
  // Set when the terminal's cursor may stand after the radius prompt (the
  // answer was piped in): the line then opens a line of its own instead of
  // overwriting the prompt.
  bool startOnFreshLine = false;
};

// One self-updating line, "parentsphere: analysing, offspring D of T (P%),
// elapsed M:SS" ("finishing" once D reaches T), redrawn in place with '\r' and
// blanked out by finish(). Elapsed time counts from the first update(), so the
// analysis should report update(0, total) when it starts. Calls come from one
// thread.
class TerminalProgress : public RunProgress {
 public:
  explicit TerminalProgress(ProgressLineSettings settings);
  void update(size_t sonsDone, size_t sonsTotal) override;
  // Blanks the line if it was shown; later calls of either method do nothing.
  void finish() override;

 private:
  ProgressLineSettings settings_;
  bool started_ = false;
  bool finished_ = false;
  std::chrono::milliseconds start_{0};
  std::chrono::milliseconds lastDraw_{0};
  bool shown_ = false;
  size_t shownWidth_ = 0;  // the widest line drawn, blanked by finish()
};

// The text of the line, without '\r' or padding: stage, counts, percent
// (rounded down; 100 when the total is 0) and elapsed time as M:SS or H:MM:SS.
std::string progressLineText(size_t sonsDone, size_t sonsTotal, std::chrono::milliseconds elapsed);

// The "show after" delay: `text` as a whole number of milliseconds, or one
// second when it is absent or not such a number. The program reads it from
// PARENTSPHERE_PROGRESS_DELAY_MS, a variable meant for tests only (so they
// need no slow run to see the line); it is not part of the documented usage.
std::chrono::milliseconds progressDelay(const char* text);

// The progress line for standard error: null, so that nothing at all is
// written there, unless isTerminal(2). `isTerminal` answers for a file
// descriptor (isatty by default, injectable for tests). `promptShown`: the
// radius prompt was printed, so the cursor may still stand after it.
std::unique_ptr<RunProgress> stderrProgress(const std::function<bool(int)>& isTerminal = {},
                                            bool promptShown = true);
