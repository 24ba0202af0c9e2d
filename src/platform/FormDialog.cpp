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

namespace {

// The refusal's first message names the field it sends the user back to,
// so that a dialog of many fields says which one it refused.
FormCheck NamingRefusedField(const std::vector<FormItem>& items, FormCheck check) {
  return [items, check = std::move(check)](const FormState& state) {
    FormRefusal refusal = check(state);
    if (!refusal.refused || refusal.messages.empty()) return refusal;
    const std::string name = FormFieldName(items, refusal.focusId);
    std::string& text = refusal.messages.front().text;
    if (!name.empty() && text.find(name) == std::string::npos) text += "\n\nfield: " + name;
    return refusal;
  };
}

}  // namespace

bool ShowForm(FormRequest& request) {
  if (!request.check) return Current().ShowForm(request);
  const FormCheck own = request.check;
  request.check = NamingRefusedField(request.items, own);
  const bool ok = Current().ShowForm(request);
  request.check = own;
  return ok;
}

std::string FormFieldName(const std::vector<FormItem>& items, int id) {
  const FormItem* field = FindFormItem(items, id);
  if (field == nullptr) return {};
  if (field->kind != FormControl::Edit || !field->text.empty()) return field->text;
  // An edit field is labelled by the nearest label to its left in its row
  // and, in a table, by the heading of its column (a label or check box in
  // the first row of its box).
  const FormItem* label = nullptr;
  const FormItem* heading = nullptr;
  for (const FormItem& item : items) {
    if (item.box != field->box || &item == field) continue;
    if (item.kind == FormControl::Label && item.row == field->row &&
        item.column < field->column && (label == nullptr || item.column > label->column))
      label = &item;
    if (field->row > 0 && item.row == 0 && item.column == field->column &&
        (item.kind == FormControl::Label || item.kind == FormControl::Check))
      heading = &item;
  }
  std::string name = label != nullptr ? label->text : std::string{};
  if (heading != nullptr && !heading->text.empty())
    name = name.empty() ? heading->text : heading->text + ", " + name;
  return name;
}

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
