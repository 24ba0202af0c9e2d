#pragma once
// A window's menu bar as plain data: popups and items with command ids,
// texts, check marks and greying. The program edits this model (check marks,
// greying, items inserted before an id or deleted at run time); a window
// backend shows it and is told after every change. Because the model exists
// without a window, menu changes made before the window is created (a batch
// run inside the window's construction) are kept and appear with the window.

#include <functional>
#include <string>
#include <vector>

namespace platform {

struct MenuItem {
  enum class Kind { Command, Popup, Separator };
  Kind kind = Kind::Command;
  int id = 0;        // command id (Command); 0 for popups and separators
  std::string text;  // '&' marks the mnemonic, "\t" precedes the shortcut hint
  bool checked = false;
  bool grayed = false;
  bool rightJustified = false;  // a top-level popup placed at the right end
  std::vector<MenuItem> children;

  static MenuItem Command(int id, std::string text, bool checked = false, bool grayed = false);
  static MenuItem Popup(std::string text, std::vector<MenuItem> children);
  static MenuItem Separator();
};

class MenuModel {
 public:
  MenuModel() = default;
  explicit MenuModel(std::vector<MenuItem> bar) : bar_(std::move(bar)) {}

  const std::vector<MenuItem>& Bar() const { return bar_; }
  void SetBar(std::vector<MenuItem> bar);

  // The operations of a window's menu. Each returns false when no command
  // item has that id (nothing changes then).
  bool Check(int id, bool checked);
  bool Enable(int id, bool enabled);
  // Inserts `item` before the first command item with id `beforeId`, in its
  // popup.
  bool InsertBefore(int beforeId, MenuItem item);
  // Removes the first command item with this id.
  bool Delete(int id);

  bool Contains(int id) const { return Find(id) != nullptr; }
  bool IsChecked(int id) const;
  bool IsGrayed(int id) const;
  // The first command item with this id, or null.
  const MenuItem* Find(int id) const;
  // Every command id in menu order (an id that occurs twice is listed twice).
  std::vector<int> CommandIds() const;

  // Called after every change (the window backend redraws its menu bar).
  void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

 private:
  MenuItem* FindMutable(int id);
  void Changed();

  std::vector<MenuItem> bar_;
  std::function<void()> listener_;
};

// The text of a menu item as a user reads it: no '&', no shortcut hint.
std::string PlainMenuText(const std::string& text);

}  // namespace platform
