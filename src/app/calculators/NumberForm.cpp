#include "app/calculators/NumberForm.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "app/window/TXLAWindow.h"
#include "platform/FormDialog.h"
#include "ui/Boxes.h"

namespace {

constexpr int kFirstField = 101;

std::string Shown(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
  return text;
}

}  // namespace

bool AskNumbers(TXLAWindow& window, const std::string& caption, std::vector<NumberField>& fields) {
  platform::FormRequest form;
  form.owner = window.Handle();
  form.caption = caption;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const int id = kFirstField + static_cast<int>(i);
    // Prompts in one column, their fields aligned in the next.
    form.items.push_back(platform::FormLabel(0, static_cast<int>(i), 0, fields[i].prompt));
    platform::FormItem edit = platform::FormEdit(id, 0, static_cast<int>(i), 1, {}, 24);
    edit.widthChars = 14;
    form.items.push_back(edit);
    form.state.texts[id] = Shown(fields[i].value);
  }
  const int count = static_cast<int>(fields.size());
  form.check = [caption, count](const platform::FormState& state) {
    for (int i = 0; i < count; ++i) {
      const int id = kFirstField + i;
      if (!IsNumber(state.Text(id).c_str()))
        return platform::RefuseWith("please enter a number", caption, id);
    }
    return platform::FormRefusal{};
  };
  DialogBusyScope busy(window);
  if (!platform::ShowForm(form)) return false;
  for (std::size_t i = 0; i < fields.size(); ++i)
    fields[i].value = std::strtof(form.state.Text(kFirstField + static_cast<int>(i)).c_str(), nullptr);
  return true;
}

bool AskNumber(TXLAWindow& window, const std::string& caption, const std::string& prompt,
               float& value) {
  std::vector<NumberField> fields{{prompt, value}};
  if (!AskNumbers(window, caption, fields)) return false;
  value = fields[0].value;
  return true;
}

std::string Printf(const char* format, ...) {
  char buffer[4096];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}
