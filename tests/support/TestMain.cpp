// The tests' main: GoogleTest's, plus a check that no test calls a link the
// program never installed. Such a call answers with an empty value and the
// test could still pass, so a missing installation would go unnoticed.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "state/Links.h"
#include "support/TestSupport.h"

namespace {

class UnwiredLinkCheck : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo&) override {
    before_ = links::UnwiredCallsBySignature();
    testsupport::unwiredCallsAllowed = false;
  }

  // End events reach the listeners appended last first, so a failure added
  // here still counts for the test and is printed with it.
  void OnTestEnd(const testing::TestInfo& test) override {
    if (testsupport::unwiredCallsAllowed) return;
    std::ostringstream called;
    for (const auto& [signature, count] : links::UnwiredCallsBySignature()) {
      const auto earlier = before_.find(signature);
      const std::size_t calls = count - (earlier == before_.end() ? 0 : earlier->second);
      if (calls > 0) called << "\n  " << calls << " x " << signature;
    }
    if (called.str().empty()) return;
    if (testsupport::unwiredCallsFailTests)
      ADD_FAILURE() << "the test called links that were never installed:" << called.str();
    else
      std::printf("[ UNWIRED  ] %s.%s called links that were never installed:%s\n",
                  test.test_suite_name(), test.name(), called.str().c_str());
  }

 private:
  std::map<std::string, std::size_t> before_;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new UnwiredLinkCheck);
  return RUN_ALL_TESTS();
}
