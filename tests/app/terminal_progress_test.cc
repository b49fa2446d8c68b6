// The progress line driven with a fake clock and a string for a terminal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/terminal_progress.h"

namespace {

using std::chrono::milliseconds;

struct FakeTerminal {
  std::string screen;
  milliseconds clock{5000};  // any origin: elapsed time is relative

  ProgressLineSettings settings(milliseconds showAfter = milliseconds(1000)) {
    ProgressLineSettings s;
    s.write = [this](const std::string& bytes) { screen += bytes; };
    s.now = [this] { return clock; };
    s.showAfter = showAfter;
    return s;
  }
};

std::string line(const std::string& text) { return "\r" + text; }

TEST(TerminalProgress, StaysSilentDuringTheFirstSecond) {
  FakeTerminal terminal;
  TerminalProgress progress(terminal.settings());
  progress.update(0, 1000);
  terminal.clock += milliseconds(999);
  progress.update(300, 1000);
  progress.finish();
  EXPECT_EQ(terminal.screen, "");
}

TEST(TerminalProgress, AppearsAfterTheDelayAndIsBlankedAtFinish) {
  FakeTerminal terminal;
  TerminalProgress progress(terminal.settings());
  progress.update(0, 1000);
  terminal.clock += milliseconds(1000);
  progress.update(300, 1000);
  const std::string text = "parentsphere: analysing, offspring 300 of 1000 (30%), elapsed 0:01";
  EXPECT_EQ(terminal.screen, line(text));
  terminal.screen.clear();
  progress.finish();
  EXPECT_EQ(terminal.screen, "\r" + std::string(text.size(), ' ') + "\r");
  terminal.screen.clear();
  progress.finish();
  terminal.clock += milliseconds(5000);
  progress.update(600, 1000);
  EXPECT_EQ(terminal.screen, "") << "nothing may follow finish()";
}

TEST(TerminalProgress, RedrawsAtMostFourTimesASecond) {
  FakeTerminal terminal;
  TerminalProgress progress(terminal.settings(milliseconds(0)));
  int draws = 0;
  // One update every 10 ms for two seconds.
  for (int i = 0; i <= 200; ++i) {
    const size_t before = terminal.screen.size();
    progress.update(static_cast<size_t>(i), 200);
    if (terminal.screen.size() != before) ++draws;
    terminal.clock += milliseconds(10);
  }
  EXPECT_EQ(draws, 9) << "a draw at 0 ms, then one every 250 ms up to 2000 ms";
}

TEST(TerminalProgress, ElapsedTimeCountsFromTheFirstUpdate) {
  FakeTerminal terminal;
  TerminalProgress progress(terminal.settings());
  terminal.clock += milliseconds(60000);  // time before the analysis starts
  progress.update(0, 10);
  terminal.clock += milliseconds(2500);
  progress.update(5, 10);
  EXPECT_EQ(terminal.screen, line("parentsphere: analysing, offspring 5 of 10 (50%), elapsed 0:02"));
}

TEST(TerminalProgress, AShorterLineCoversTheRestOfTheLongerOne) {
  FakeTerminal terminal;
  TerminalProgress progress(terminal.settings(milliseconds(0)));
  progress.update(999, 1000);
  terminal.clock += milliseconds(250);
  terminal.screen.clear();
  progress.update(1000, 1000);
  const std::string longer = "parentsphere: analysing, offspring 999 of 1000 (99%), elapsed 0:00";
  const std::string shorter = "parentsphere: finishing, offspring 1000 of 1000 (100%), elapsed 0:00";
  ASSERT_GT(shorter.size(), longer.size());
  EXPECT_EQ(terminal.screen, line(shorter));
  // And the other way round: the blanking covers the widest line drawn.
  terminal.screen.clear();
  progress.finish();
  EXPECT_EQ(terminal.screen, "\r" + std::string(shorter.size(), ' ') + "\r");
}

TEST(TerminalProgress, PadsWhenTheNewLineIsShorter) {
  FakeTerminal terminal;
  TerminalProgress progress(terminal.settings(milliseconds(0)));
  progress.update(5, 10);
  terminal.clock += milliseconds(250);
  terminal.screen.clear();
  progress.update(5, 9);  // "of 10" becomes "of 9": one character shorter
  EXPECT_EQ(terminal.screen, line("parentsphere: analysing, offspring 5 of 9 (55%), elapsed 0:00 "));
}

TEST(TerminalProgress, NeverWiderThanTheTerminal) {
  FakeTerminal terminal;
  ProgressLineSettings settings = terminal.settings(milliseconds(0));
  settings.columns = 30;
  TerminalProgress progress(settings);
  progress.update(1, 2);
  EXPECT_EQ(terminal.screen, line(std::string("parentsphere: analysing, offspring 1 of 2").substr(0, 29)));
  terminal.screen.clear();
  progress.finish();
  EXPECT_EQ(terminal.screen, "\r" + std::string(29, ' ') + "\r");
}

TEST(TerminalProgress, OpensItsOwnLineAfterAPipedPrompt) {
  FakeTerminal terminal;
  ProgressLineSettings settings = terminal.settings(milliseconds(0));
  settings.startOnFreshLine = true;
  TerminalProgress progress(settings);
  progress.update(1, 4);
  terminal.clock += milliseconds(300);
  progress.update(2, 4);
  EXPECT_EQ(terminal.screen,
            "\nparentsphere: analysing, offspring 1 of 4 (25%), elapsed 0:00"
            "\rparentsphere: analysing, offspring 2 of 4 (50%), elapsed 0:00");
}

TEST(TerminalProgress, FinishWithoutAnyLineWritesNothing) {
  FakeTerminal terminal;
  TerminalProgress progress(terminal.settings());
  progress.finish();
  EXPECT_EQ(terminal.screen, "");
}

TEST(ProgressLineText, StagePercentAndClock) {
  struct Row {
    size_t done, total;
    long long ms;
    const char* expected;
  };
  const Row rows[] = {
      {0, 20000, 0, "parentsphere: analysing, offspring 0 of 20000 (0%), elapsed 0:00"},
      {199, 200, 59999, "parentsphere: analysing, offspring 199 of 200 (99%), elapsed 0:59"},
      {1, 3, 61000, "parentsphere: analysing, offspring 1 of 3 (33%), elapsed 1:01"},
      {2, 3, 600000, "parentsphere: analysing, offspring 2 of 3 (66%), elapsed 10:00"},
      {3, 3, 3661000, "parentsphere: finishing, offspring 3 of 3 (100%), elapsed 1:01:01"},
      {0, 0, 1000, "parentsphere: finishing, offspring 0 of 0 (100%), elapsed 0:01"},
      {4000000000u, 4000000001u, 0,
       "parentsphere: analysing, offspring 4000000000 of 4000000001 (99%), elapsed 0:00"},
      {5, 2, -20, "parentsphere: finishing, offspring 5 of 2 (100%), elapsed 0:00"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(progressLineText(row.done, row.total, milliseconds(row.ms)), row.expected);
  }
}

TEST(ProgressDelay, WholeMillisecondsOrOneSecond) {
  struct Row {
    const char* text;
    long long ms;
  };
  const Row rows[] = {{nullptr, 1000}, {"", 1000},       {"0", 0},        {"250", 250},
                      {"0250", 250},   {"-5", 1000},     {"+5", 1000},    {" 5", 1000},
                      {"5 ", 1000},    {"1.5", 1000},    {"abc", 1000},   {"999999999", 999999999},
                      {"1000000000", 1000}, {"99999999999999999999", 1000}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text == nullptr ? "(unset)" : row.text);
    EXPECT_EQ(progressDelay(row.text).count(), row.ms);
  }
}

TEST(StderrProgress, NoneUnlessStandardErrorIsATerminal) {
  std::vector<int> asked;
  const auto never = [&asked](int fd) {
    asked.push_back(fd);
    return false;
  };
  EXPECT_EQ(stderrProgress(never), nullptr);
  EXPECT_EQ(asked, std::vector<int>{2});
  EXPECT_NE(stderrProgress([](int fd) { return fd == 2; }), nullptr);
}

}  // namespace
