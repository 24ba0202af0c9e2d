// Every link these tests go through is installed by the tests themselves
// (or their fixtures): a call of one that is not fails the test.
#include "support/TestSupport.h"

namespace {
[[maybe_unused]] const bool kToolsTestsFailOnUnwiredLinks =
    (testsupport::unwiredCallsFailTests = true);
}  // namespace
