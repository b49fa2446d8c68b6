// Whose temporary a name in a report folder is: the process number after the
// file's name and kind, and maybe "-<n>" for a name tried again.
#include <string>

#include <gtest/gtest.h>

#include "files/temporary_file.h"

namespace {

TEST(TemporaryOwner, ReadsTheProcessNumber) {
  const std::pair<const char*, long> cases[] = {
      {".Fam.out.tmp-123", 123},           {".Fam.out.tmp-123-4", 123},
      {".Fam.out.tmp-9999999999", 9999999999L}, {".Fam.out.tmp-0012-00", 12},
      {".Fam.out.tmp-12345678901", -1},    {".Fam.out.tmp-", -1},
      {".Fam.out.tmp--4", -1},             {".Fam.out.tmp-12-", -1},
      {".Fam.out.tmp-12-3-4", -1},         {".Fam.out.tmp-12x", -1},
      {".Fam.out.tmp-12-x", -1},           {".Fam.out.tmp-+12", -1},
      {".Par.out.tmp-12", -1},             {"Fam.out.tmp-12", -1},
  };
  for (const auto& [entry, owner] : cases) {
    EXPECT_EQ(temporaryOwner(entry, "Fam.out", "tmp"), owner) << entry;
  }
}

}  // namespace
