#pragma once
// A window's menu bar shown from a platform::MenuModel. Check marks and
// greying are updated in place; any other change (items inserted, deleted or
// renamed) rebuilds the bar. Choosing an item calls back with its command id.

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

#include "platform/Menu.h"

class QAction;
class QMenu;
class QMenuBar;

namespace platform::qt {

class QtMenuBar {
 public:
  using CommandHandler = std::function<void(int id)>;

  // Shows `model` in `bar` now and after each of its changes (the model's
  // change listener is taken; it is released again on destruction).
  QtMenuBar(QMenuBar& bar, MenuModel& model, CommandHandler onCommand);
  ~QtMenuBar();
  QtMenuBar(const QtMenuBar&) = delete;
  QtMenuBar& operator=(const QtMenuBar&) = delete;

  // Brings the bar up to date with the model.
  void Refresh();

  // The command id of a menu action (0 for popups and separators).
  static int CommandId(const QAction* action);
  // The command id of the item highlighted in an open menu, or 0.
  static int HighlightedCommand(const QMenu& menu);

 private:
  void Rebuild();
  void AddItems(QMenu* menu, const std::vector<MenuItem>& items);
  QAction* AddCommand(QMenu* menu, const MenuItem& item);
  void UpdateStates();
  void Triggered(int id);

  QMenuBar& bar_;
  MenuModel& model_;
  CommandHandler onCommand_;
  // What the bar shows now, and the action of each command item in menu
  // order (the order of MenuModel::CommandIds).
  std::vector<MenuItem> shown_;
  std::vector<QPointer<QAction>> commandActions_;
  // Menus and bar commands made by the last build, deleted by the next.
  std::vector<QPointer<QObject>> owned_;
  QObject* barActions_ = nullptr;  // parent of the commands on the bar itself
};

}  // namespace platform::qt
