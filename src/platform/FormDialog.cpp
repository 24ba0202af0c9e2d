#include "platform/FormDialog.h"

#include <utility>

namespace platform {

std::string FormState::Text(int id) const {
  const auto it = texts.find(id);
  return it == texts.end() ? std::string() : it->second;
}

int FormState::Checked(int id) const {
  const auto it = checked.find(id);
  return it == checked.end() ? 0 : it->second;
}

bool ShowForm(FormRequest& request) { return Current().ShowForm(request); }

FormItem FormLabel(int box, int row, int column, std::string text, int columnSpan) {
  FormItem item;
  item.kind = FormControl::Label;
  item.box = box;
  item.row = row;
  item.column = column;
  item.columnSpan = columnSpan;
  item.text = std::move(text);
  return item;
}

FormItem FormEdit(int id, int box, int row, int column, std::string label, int capacity) {
  FormItem item;
  item.kind = FormControl::Edit;
  item.id = id;
  item.box = box;
  item.row = row;
  item.column = column;
  item.text = std::move(label);
  item.capacity = capacity;
  return item;
}

FormItem FormCheckBox(int id, int box, int row, int column, std::string text, int columnSpan) {
  FormItem item;
  item.kind = FormControl::Check;
  item.id = id;
  item.box = box;
  item.row = row;
  item.column = column;
  item.columnSpan = columnSpan;
  item.text = std::move(text);
  return item;
}

FormItem FormRadio(int id, int group, int box, int row, int column, std::string text,
                   int columnSpan) {
  FormItem item = FormCheckBox(id, box, row, column, std::move(text), columnSpan);
  item.kind = FormControl::Radio;
  item.radioGroup = group;
  return item;
}

FormItem FormGroupBox(int id, int box, int row, int column, std::string title, int rowSpan,
                      int columnSpan) {
  FormItem item;
  item.kind = FormControl::GroupBox;
  item.id = id;
  item.box = box;
  item.row = row;
  item.column = column;
  item.rowSpan = rowSpan;
  item.columnSpan = columnSpan;
  item.text = std::move(title);
  return item;
}

const FormItem* FindFormItem(const std::vector<FormItem>& items, int id) {
  for (const FormItem& item : items)
    if (item.id == id && item.id != 0) return &item;
  return nullptr;
}

FormRefusal RefuseWith(std::string text, std::string caption, int focusId) {
  FormRefusal refusal;
  refusal.refused = true;
  refusal.focusId = focusId;
  BoxRequest box;
  box.text = std::move(text);
  box.caption = std::move(caption);
  box.icon = BoxIcon::Error;
  refusal.messages.push_back(std::move(box));
  return refusal;
}

void ApplyFormEntries(const std::vector<FormItem>& items, FormState& state,
                      const FormState& entries) {
  for (const auto& [id, text] : entries.texts) {
    const FormItem* item = FindFormItem(items, id);
    std::string value = text;
    if (item != nullptr && item->capacity > 0 &&
        value.size() > static_cast<std::size_t>(item->capacity - 1))
      value.resize(static_cast<std::size_t>(item->capacity - 1));
    state.texts[id] = std::move(value);
  }
  for (const auto& [id, on] : entries.checked) {
    const FormItem* item = FindFormItem(items, id);
    if (item != nullptr && item->kind == FormControl::Radio && on != 0) {
      for (const FormItem& other : items)
        if (other.kind == FormControl::Radio && other.radioGroup == item->radioGroup &&
            other.id != id)
          state.checked[other.id] = 0;
    }
    state.checked[id] = on != 0 ? 1 : 0;
  }
}

}  // namespace platform
