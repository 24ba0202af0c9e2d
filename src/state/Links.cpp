#include "state/Links.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

namespace links {

namespace {
std::atomic<std::size_t> unwiredCalls{0};
std::atomic<bool> strictUnwired{false};
std::mutex reportedLock;
}  // namespace

void ReportUnwired(const char* signature) {
  ++unwiredCalls;
  {
    // Each kind of link is reported once; a test that drives a layer on its
    // own would otherwise repeat the same line thousands of times.
    static std::set<std::string> reported;
    const std::lock_guard<std::mutex> lock(reportedLock);
    if (reported.insert(signature).second)
      std::fprintf(stderr,
                   "programming error: a link was called that the program never installed: %s\n",
                   signature);
  }
  if (strictUnwired) std::abort();
}

std::size_t UnwiredCallCount() {
  return unwiredCalls;
}

void SetStrictUnwired(bool strict) {
  strictUnwired = strict;
}

}  // namespace links
