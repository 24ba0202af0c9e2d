#include "state/Links.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace links {

namespace {
std::atomic<std::size_t> unwiredCalls{0};
std::atomic<bool> strictUnwired{false};
std::mutex reportedLock;
std::map<std::string, std::size_t> callsBySignature;
}  // namespace

void ReportUnwired(const char* signature) {
  ++unwiredCalls;
  {
    // Each kind of link is reported once; a test that drives a layer on its
    // own would otherwise repeat the same line thousands of times.
    const std::lock_guard<std::mutex> lock(reportedLock);
    if (callsBySignature[signature]++ == 0)
      std::fprintf(stderr,
                   "programming error: a link was called that the program never installed: %s\n",
                   signature);
  }
  if (strictUnwired) std::abort();
}

std::size_t UnwiredCallCount() {
  return unwiredCalls;
}

std::map<std::string, std::size_t> UnwiredCallsBySignature() {
  const std::lock_guard<std::mutex> lock(reportedLock);
  return callsBySignature;
}

void SetStrictUnwired(bool strict) {
  strictUnwired = strict;
}

}  // namespace links
