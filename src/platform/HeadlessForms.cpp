// Form dialogs without a display: answered from the script, every try and
// its outcome logged like the other boxes.

#include <utility>

#include "platform/HeadlessBackend.h"

namespace platform {

namespace {

std::string DescribeEntries(const FormState& entries) {
  std::string text;
  for (const auto& [id, value] : entries.texts) text += ' ' + std::to_string(id) + "=\"" + value + '"';
  for (const auto& [id, on] : entries.checked) text += ' ' + std::to_string(id) + '=' + std::to_string(on);
  return text;
}

}  // namespace

void HeadlessBackend::ScriptForm(FormState entries, bool ok) {
  std::lock_guard lock(mutex_);
  formAnswers_.push_back({std::move(entries), ok});
}

std::vector<HeadlessBackend::ShownForm> HeadlessBackend::ShownForms() const {
  std::lock_guard lock(mutex_);
  return shownForms_;
}

bool HeadlessBackend::ShowForm(FormRequest& request) {
  {
    std::lock_guard lock(mutex_);
    shownForms_.push_back({request.caption, request.items, request.state});
  }
  FormState state = request.state;
  for (bool firstTry = true;; firstTry = false) {
    FormAnswer answer;
    {
      std::lock_guard lock(mutex_);
      if (!formAnswers_.empty()) {
        answer = std::move(formAnswers_.front());
        formAnswers_.pop_front();
        lastUnscriptedEntry_.clear();
      } else {
        // Unscripted: confirmed as shown. A refused try, or the same form
        // shown again unchanged right after it was confirmed so (a command
        // that reopens it until something changes), is given up, so that an
        // unattended run never loops. The key shares its slot with the
        // entry dialogs': it is the last unscripted dialog of either kind.
        const std::string key = "form\n" + request.caption + DescribeEntries(state);
        answer.ok = firstTry && key != lastUnscriptedEntry_;
        lastUnscriptedEntry_ = key;
      }
      ApplyFormEntries(request.items, state, answer.entries);
      Append("form [" + request.caption + "]" + DescribeEntries(answer.entries) + " -> " +
             (answer.ok ? "OK" : "Cancel"));
    }
    if (!answer.ok) return false;
    // The check runs without the lock: it may show boxes and beep.
    FormRefusal refusal = request.check ? request.check(state) : FormRefusal{};
    for (BoxRequest& box : refusal.messages) {
      box.owner = nullptr;
      ShowMessageBox(box);
    }
    if (!refusal.refused) {
      request.state = std::move(state);
      return true;
    }
    std::lock_guard lock(mutex_);
    Append("form [" + request.caption + "] refused, focus " + std::to_string(refusal.focusId));
  }
}

}  // namespace platform
