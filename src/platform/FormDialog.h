#pragma once
// Dialogs described as data: a table of controls (labels, edit fields, check
// boxes, radio groups, group boxes) that a backend shows modally and fills
// from, and returns to, a state record of texts and ticks keyed by control
// id. The program describes every dialog this way; the desktop backend lays
// the table out with widgets, the headless backend answers from a script.
//
// Closing with OK first asks the form's check: while it refuses, the dialog
// stays open with the user's entries intact, the check's messages are shown
// (owned by the dialog) and the focus goes back to the field it names.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

enum class FormControl {
  Label,     // static text
  Edit,      // one-line text; `text` is a label shown to its left
  Check,     // check box with `text` as its caption
  Radio,     // radio button; radios of one `radioGroup` exclude each other
  GroupBox,  // a titled frame; controls name it by `id` in their `box`
};

struct FormItem {
  FormControl kind = FormControl::Label;
  int id = 0;        // control id, unique in the form (0 for a plain label)
  std::string text;  // caption, or the label of an edit field
  // Position: cell (row, column) of the grid of `box` (0: the dialog
  // itself), spanning `columnSpan` columns; group boxes are placed in their
  // own `box` the same way and may span rows.
  int box = 0;
  int row = 0;
  int column = 0;
  int columnSpan = 1;
  int rowSpan = 1;
  int radioGroup = 0;
  // Edit fields: characters they hold, counting a terminator as the
  // transfer buffers of the program do (15 holds 14 characters).
  int capacity = 15;
  // Edit fields: width in average characters (0: the default width).
  int widthChars = 0;
  bool readOnly = false;
  bool rightAligned = false;  // labels
};

// What the controls hold: edit texts and check/radio ticks by control id.
struct FormState {
  std::map<int, std::string> texts;
  std::map<int, int> checked;

  std::string Text(int id) const;
  int Checked(int id) const;
};

// A check's answer: its messages are shown in order, owned by the dialog;
// the dialog closes unless `refused`.
struct FormRefusal {
  bool refused = false;
  std::vector<BoxRequest> messages;
  int focusId = 0;                   // the field that gets the focus back
};

using FormCheck = std::function<FormRefusal(const FormState&)>;

struct FormRequest {
  WindowHandle owner = nullptr;
  std::string caption;
  std::vector<FormItem> items;  // also the tab order of the controls
  FormState state;              // in: shown at the start; out: after OK
  FormCheck check;              // may be empty: OK always closes
  // Smallest size of the dialog in pixels (0: what its controls need).
  int minWidth = 0;
  int minHeight = 0;
};

// Shows the form modally on the current backend; true when it closed with
// OK (request.state then holds the entries), false on Cancel (state as
// passed in). A refusal's first message is followed by the name of the
// field it focuses (FormFieldName) unless it names it already.
bool ShowForm(FormRequest& request);

// What the user reads beside an edit field: its own label, else the label
// to its left in its row, preceded by the heading of its column in a table
// ("species 2, s (S)"); empty for an unknown id.
std::string FormFieldName(const std::vector<FormItem>& items, int id);

// Helpers for building item tables.
FormItem FormLabel(int box, int row, int column, std::string text, int columnSpan = 1);
FormItem FormEdit(int id, int box, int row, int column, std::string label = {},
                  int capacity = 15);
FormItem FormCheckBox(int id, int box, int row, int column, std::string text,
                      int columnSpan = 1);
FormItem FormRadio(int id, int group, int box, int row, int column, std::string text,
                   int columnSpan = 1);
FormItem FormGroupBox(int id, int box, int row, int column, std::string title,
                      int rowSpan = 1, int columnSpan = 1);

// The item of a control id, or null.
const FormItem* FindFormItem(const std::vector<FormItem>& items, int id);

// The refusal of one message (caption, text; error icon) focusing a field.
FormRefusal RefuseWith(std::string text, std::string caption, int focusId);

// Applies entries to a state the way a user's typing would: edit texts are
// cut to their capacity, ticking a radio clears the others of its group.
void ApplyFormEntries(const std::vector<FormItem>& items, FormState& state,
                      const FormState& entries);

}  // namespace platform
