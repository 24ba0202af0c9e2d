// Finding a file whose extension is written in the other case: instruments
// and other systems write "RA2" or "ra2", lists and parameter files name
// them as their authors remember.
#include <gtest/gtest.h>

#include "data/FilePathParts.h"
#include "support/TestSupport.h"

TEST(ExistingCaseOfExtension, ExactNameFirstThenTheOtherCase) {
  ScratchFolder folder;
  const std::string lower = folder.Write("00045.ra2", "");
  const std::string upper = folder.Write("00046.RA2", "");
  const std::string both = folder.Write("00047.RA2", "");
  folder.Write("00047.ra2", "");
  const std::string dir = folder.path().string() + "/";
  const struct {
    std::string asked, found;
  } cases[] = {
      {dir + "00045.RA2", lower},
      {lower, lower},
      {dir + "00046.ra2", upper},
      {dir + "00046.Ra2", upper},
      {both, both},
      {dir + "00047.ra2", dir + "00047.ra2"},
      // Nothing on disk, no extension, a dot only in a folder name: unchanged.
      {dir + "00048.RA2", dir + "00048.RA2"},
      {dir + "noextension", dir + "noextension"},
      {dir + "run.d/file", dir + "run.d/file"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExistingCaseOfExtension(c.asked), c.found) << c.asked;
}
