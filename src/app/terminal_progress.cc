#include "app/terminal_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "util/number_reader.h"

TerminalProgress::TerminalProgress(ProgressLineSettings settings) : settings_(std::move(settings)) {}

void TerminalProgress::update(size_t sonsDone, size_t sonsTotal) {
  if (finished_) return;
  const std::chrono::milliseconds now = settings_.now();
  if (!started_) {
    started_ = true;
    start_ = now;
  }
  if (now - start_ < settings_.showAfter) return;
  if (shown_ && now - lastDraw_ < settings_.redrawEvery) return;
  std::string text = progressLineText(sonsDone, sonsTotal, now - start_);
  if (settings_.columns > 1 && text.size() > settings_.columns - 1) text.resize(settings_.columns - 1);
  std::string bytes = !shown_ && settings_.startOnFreshLine ? "\n" : "\r";
  bytes += text;
  // Spaces cover what is left of a longer earlier line.
  if (text.size() < shownWidth_) bytes.append(shownWidth_ - text.size(), ' ');
  settings_.write(bytes);
  shown_ = true;
  lastDraw_ = now;
  if (text.size() > shownWidth_) shownWidth_ = text.size();
}

void TerminalProgress::finish() {
  if (finished_) return;
  finished_ = true;
  if (!shown_) return;
  settings_.write("\r" + std::string(shownWidth_, ' ') + "\r");
}

namespace {

std::string twoDigits(long long value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace

std::string progressLineText(size_t sonsDone, size_t sonsTotal, std::chrono::milliseconds elapsed) {
  const size_t percent = sonsTotal == 0 || sonsDone >= sonsTotal
                             ? 100
                             : static_cast<size_t>(static_cast<unsigned long long>(sonsDone) * 100 /
                                                   sonsTotal);
  const long long seconds = elapsed.count() < 0 ? 0 : elapsed.count() / 1000;
  const long long hours = seconds / 3600;
  std::string clock = hours > 0 ? std::to_string(hours) + ":" + twoDigits(seconds / 60 % 60)
                                : std::to_string(seconds / 60);
  clock += ":" + twoDigits(seconds % 60);
  const char* stage = sonsDone < sonsTotal ? "analysing" : "finishing";
  return std::string("parentsphere: ") + stage + ", offspring " + std::to_string(sonsDone) + " of " +
         std::to_string(sonsTotal) + " (" + std::to_string(percent) + "%), elapsed " + clock;
}

std::chrono::milliseconds progressDelay(const char* text) {
  const std::chrono::milliseconds fallback{1000};
  if (text == nullptr) return fallback;
  // Nine digits are more than a day; anything longer is not a delay.
  const std::optional<uint64_t> value = readDigits(text, 0, 999999999, 9);
  if (!value) return fallback;
  return std::chrono::milliseconds(static_cast<long long>(*value));
}

namespace {

void writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    // A progress line that cannot be shown must never disturb the run.
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

size_t terminalColumns(int fd) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

}  // namespace

std::unique_ptr<RunProgress> stderrProgress(const std::function<bool(int)>& isTerminal,
                                            bool promptShown) {
  const std::function<bool(int)> terminal =
      isTerminal ? isTerminal : [](int fd) { return ::isatty(fd) == 1; };
  if (!terminal(STDERR_FILENO)) return nullptr;
  ProgressLineSettings settings;
  settings.write = [](const std::string& bytes) { writeAll(STDERR_FILENO, bytes); };
  settings.now = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
  };
  settings.showAfter = progressDelay(std::getenv("PARENTSPHERE_PROGRESS_DELAY_MS"));
  settings.columns = terminalColumns(STDERR_FILENO);
  // The prompt ends without a line feed; when the radius did not come from a
  // keyboard, the cursor is still on the prompt's line if that is this terminal.
  settings.startOnFreshLine = promptShown && terminal(STDOUT_FILENO) && !terminal(STDIN_FILENO);
  return std::make_unique<TerminalProgress>(std::move(settings));
}
