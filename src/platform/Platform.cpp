#include "platform/Platform.h"

#include <mutex>

#include "platform/HeadlessBackend.h"

namespace platform {
namespace {
std::mutex installMutex;
std::unique_ptr<Backend> installed;
}  // namespace

Backend& Current() {
  std::lock_guard lock(installMutex);
  if (!installed) installed = std::make_unique<HeadlessBackend>();
  return *installed;
}

std::unique_ptr<Backend> Install(std::unique_ptr<Backend> backend) {
  std::lock_guard lock(installMutex);
  std::swap(installed, backend);
  return backend;
}

}  // namespace platform
