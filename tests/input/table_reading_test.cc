// A table file read on several threads, in chunks parsed apart and joined in
// order, gives the table one thread gives: rows, flags, line numbers and the
// first unreadable token, wherever the chunks are cut. CI also runs these
// under ThreadSanitizer (.ci/run, build-tsan).
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "input/data.h"
#include "input/table_reading.h"
#include "status/run_failure.h"

namespace {

// A file holding `text` in a fresh temporary folder, removed with it.
class TextFile {
 public:
  explicit TextFile(const std::string& text) {
    char pattern[] = "/tmp/parentsphere_reading_XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    name_ = folder_ + "/sons.PRO";
    std::ofstream(name_, std::ios::binary) << text;
  }
  ~TextFile() {
    unlink(name_.c_str());
    rmdir(folder_.c_str());
  }
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string folder_;
  std::string name_;
};

ParsedTable readInChunks(const std::string& name, unsigned threads, size_t chunkBytes) {
  TableReading how;
  how.threads = threads;
  how.chunkBytes = chunkBytes;
  how.parallelFromBytes = 0;
  return readTableFile(name, '#', -99, how);
}

void expectSameTable(const ParsedTable& got, const ParsedTable& want) {
  EXPECT_EQ(got.rows, want.rows);
  EXPECT_EQ(got.rowHasMissing, want.rowHasMissing);
  EXPECT_EQ(got.rowLines, want.rowLines);
  EXPECT_EQ(got.textAfterDigits.count, want.textAfterDigits.count);
  ASSERT_EQ(got.textAfterDigits.places.size(), want.textAfterDigits.places.size());
  for (size_t i = 0; i < want.textAfterDigits.places.size(); ++i) {
    const TextAfterDigits::Place& a = got.textAfterDigits.places[i];
    const TextAfterDigits::Place& b = want.textAfterDigits.places[i];
    EXPECT_EQ(std::tie(a.line, a.column, a.value, a.token, a.tokenLength),
              std::tie(b.line, b.column, b.value, b.token, b.tokenLength));
  }
  ASSERT_EQ(got.unreadable, want.unreadable);
  if (!want.unreadable) return;
  EXPECT_EQ(got.badToken.line, want.badToken.line);
  EXPECT_EQ(got.badToken.column, want.badToken.column);
  EXPECT_EQ(got.badToken.token, want.badToken.token);
  EXPECT_EQ(got.badToken.tokenLength, want.badToken.tokenLength);
  EXPECT_EQ(got.badToken.fault, want.badToken.fault);
}

// Lines of every kind that reads: values, the missing code, bad negatives,
// comments (alone or after values), blank lines, carriage returns, odd tokens.
std::string readableLines(std::mt19937& rng, int count) {
  const char* const kinds[] = {"101 103 -99 -99 2001", "7 8", "# comment 0 x", "5 6 # trailing",
                               "", "  \t ", "12 14\r", "1 -5 7 8", "+3 0012 9abc", "12,14\t15"};
  std::string text;
  for (int i = 0; i < count; ++i) text += std::string(kinds[rng() % std::size(kinds)]) + "\n";
  return text;
}

std::string repeated(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

struct ReadingCase {
  const char* name;
  std::string text;
};

std::vector<ReadingCase> readingCases() {
  std::mt19937 rng(7);
  const std::string rows = readableLines(rng, 40);
  std::string longRow;
  for (int i = 1; i <= 300; ++i) longRow += std::to_string(i) + " ";
  return {
      {"empty file", ""},
      {"only line feeds", "\n\n\n"},
      {"last line without a line feed", rows + "3 4"},
      {"every kind of line", rows},
      {"lines longer than a chunk", "1 2\n" + longRow + "\n5 6\n" + longRow},
      {"carriage-return line ends", "1 2\r\n3 4\r\n# c\r\n5 6\r\n"},
      {"unreadable first line", "1 x\n" + rows},
      {"unreadable last line", rows + "3 0\n"},
      {"unreadable last line without a line feed", rows + "5 abc"},
      {"carriage return alone", rows + "\r\n" + rows},
      {"two unreadable lines: the first counts", rows + "7 4294967396\n" + rows + "zz\n" + rows},
      {"unreadable inside a long line", rows + longRow + "0 " + longRow + "\n" + rows},
      // Lines longer than a reader checks them at: known early, never held whole.
      {"a run of zero bytes", rows + std::string(70000, '\0')},
      {"a long comment line", rows + "#" + std::string(70000, 'x') + "\n" + rows},
      {"a long comment after values", "5 6 x#" + std::string(70000, 'y') + "\n" + rows},
      {"a marker beyond the longest token", rows + std::string(5000, 'x') + "#\n" + rows},
      {"a long row", rows + repeated(longRow, 60) + "\n" + rows},
      {"a long row unreadable at its end", repeated(longRow, 60) + "zz " + longRow + "\n" + rows},
  };
}

TEST(ParallelReading, SameTableAsOneThreadWhereverChunksAreCut) {
  for (const ReadingCase& c : readingCases()) {
    SCOPED_TRACE(c.name);
    const TextFile file(c.text);
    const ParsedTable serial = readInChunks(file.name(), 1, TableReading::kChunkBytes);
    expectSameTable(serial, parseTable(c.text, '#', -99));
    for (size_t chunkBytes : {1, 2, 3, 7, 16, 61, 250, 4096}) {
      for (unsigned threads : {2u, 3u}) {
        SCOPED_TRACE("chunk " + std::to_string(chunkBytes) + ", threads " + std::to_string(threads));
        expectSameTable(readInChunks(file.name(), threads, chunkBytes), serial);
      }
    }
  }
}

// An unreadable line just before, across and just after every chunk cut.
TEST(ParallelReading, UnreadableLineAtEveryChunkBoundary) {
  std::mt19937 rng(11);
  const std::string text = readableLines(rng, 12) + "8 9 -\n" + readableLines(rng, 12);
  const TextFile file(text);
  const ParsedTable serial = parseTable(text, '#', -99);
  ASSERT_TRUE(serial.unreadable);
  for (size_t chunkBytes = 1; chunkBytes <= text.size() + 1; ++chunkBytes) {
    SCOPED_TRACE("chunk " + std::to_string(chunkBytes));
    expectSameTable(readInChunks(file.name(), 2, chunkBytes), serial);
  }
}

std::string failureOf(const std::string& name, unsigned threads) {
  try {
    Data data(name, -99, "#", threads);
  } catch (const RunFailure& failure) {
    return std::string(failure.what()) + "|" + failure.detail();
  }
  return "<no failure>";
}

// The program's own settings: a table large enough to be read in parallel.
TEST(ParallelReading, LargeFileGivesTheSameDataAndFailure) {
  std::mt19937 rng(3);
  std::string text = readableLines(rng, 20);
  while (text.size() < TableReading::kParallelFromBytes + TableReading::kChunkBytes) {
    text += "152 152 92 108 -99 -99 260 264 140 144 236 280 192 194\n";
  }
  const std::string badEnd = "# last\n1 2 3 2147483648 5\n7 8\n";
  const size_t badLine = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 2;
  for (const std::string& whole : {text, text + badEnd}) {
    const TextFile file(whole);
    const std::string serialFailure = failureOf(file.name(), 1);
    EXPECT_EQ(failureOf(file.name(), 2), serialFailure);
    if (whole.size() > text.size()) {
      EXPECT_NE(serialFailure.find(":" + std::to_string(badLine) + ": column 4: '2147483648'"),
                std::string::npos)
          << serialFailure;
      continue;
    }
    const Data serial(file.name(), -99, "#", 1);
    const Data parallel(file.name(), -99, "#", 2);
    EXPECT_EQ(parallel.rows, serial.rows);
    EXPECT_EQ(parallel.rowHasMissing, serial.rowHasMissing);
    EXPECT_EQ(parallel.rowLines, serial.rowLines);
  }
}

}  // namespace
