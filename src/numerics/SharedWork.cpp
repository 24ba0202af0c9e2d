#include "numerics/SharedWork.h"

#include <memory>
#include <vector>

#include "platform/Thread.h"

namespace {

class Helper : public platform::Thread {
 public:
  explicit Helper(const std::function<void()>& work) : work_(work) {}

 protected:
  int Run() override {
    work_();
    return 0;
  }

 private:
  const std::function<void()>& work_;
};

}  // namespace

void RunOnThreads(int threads, const std::function<void()>& work) {
  std::vector<std::unique_ptr<Helper>> helpers;
  for (int t = 1; t < threads; ++t) {
    auto helper = std::make_unique<Helper>(work);
    if (helper->Start()) helpers.push_back(std::move(helper));
  }
  work();
  for (auto& helper : helpers) helper->WaitForExit();
}
