#include "platform/qt/QtMenuBar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

// Same items, texts and nesting; only check marks and greying may differ.
bool SameShape(const std::vector<MenuItem>& a, const std::vector<MenuItem>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].kind != b[i].kind || a[i].id != b[i].id || a[i].text != b[i].text ||
        !SameShape(a[i].children, b[i].children))
      return false;
  }
  return true;
}

void CollectCommands(const std::vector<MenuItem>& items, std::vector<const MenuItem*>& out) {
  for (const MenuItem& item : items) {
    if (item.kind == MenuItem::Kind::Command) out.push_back(&item);
    if (item.kind == MenuItem::Kind::Popup) CollectCommands(item.children, out);
  }
}

// Only checked items are checkable: an unchecked checkable item would show
// an empty box in some styles, where a plain menu shows nothing.
void ApplyState(QAction& action, const MenuItem& item) {
  action.setCheckable(item.checked);
  action.setChecked(item.checked);
  action.setEnabled(!item.grayed);
}

}  // namespace

QtMenuBar::QtMenuBar(QMenuBar& bar, MenuModel& model, CommandHandler onCommand)
    : bar_(bar), model_(model), onCommand_(std::move(onCommand)) {
  Rebuild();
  model_.SetChangeListener([this] { Refresh(); });
}

QtMenuBar::~QtMenuBar() {
  model_.SetChangeListener({});
}

int QtMenuBar::CommandId(const QAction* action) {
  if (action == nullptr || action->menu() != nullptr || action->isSeparator()) return 0;
  return action->data().toInt();
}

int QtMenuBar::HighlightedCommand(const QMenu& menu) {
  return CommandId(menu.activeAction());
}

void QtMenuBar::Refresh() {
  if (SameShape(shown_, model_.Bar())) {
    shown_ = model_.Bar();
    UpdateStates();
  } else {
    Rebuild();
  }
}

void QtMenuBar::UpdateStates() {
  std::vector<const MenuItem*> items;
  CollectCommands(shown_, items);
  for (std::size_t i = 0; i < items.size() && i < commandActions_.size(); ++i)
    if (commandActions_[i]) ApplyState(*commandActions_[i], *items[i]);
}

void QtMenuBar::Rebuild() {
  // The old menus may be the ones whose signal runs this very rebuild (a
  // command that edits the menu), so they are deleted later, not now.
  bar_.clear();
  for (QPointer<QObject>& old : owned_)
    if (old) old->deleteLater();
  owned_.clear();
  commandActions_.clear();
  barActions_ = new QObject(&bar_);
  owned_.emplace_back(barActions_);
  shown_ = model_.Bar();
  for (const MenuItem& item : shown_) {
    switch (item.kind) {
      case MenuItem::Kind::Popup: {
        auto* menu = new QMenu(MnemonicText(item.text), &bar_);  // owned by the bar
        owned_.emplace_back(menu);
        AddItems(menu, item.children);
        bar_.addMenu(menu);
        break;
      }
      case MenuItem::Kind::Command:
        AddCommand(nullptr, item);
        break;
      case MenuItem::Kind::Separator:
        bar_.addSeparator();
        break;
    }
  }
}

void QtMenuBar::AddItems(QMenu* menu, const std::vector<MenuItem>& items) {
  for (const MenuItem& item : items) {
    switch (item.kind) {
      case MenuItem::Kind::Popup: {
        QMenu* sub = menu->addMenu(MnemonicText(item.text));
        AddItems(sub, item.children);
        break;
      }
      case MenuItem::Kind::Command:
        AddCommand(menu, item);
        break;
      case MenuItem::Kind::Separator:
        menu->addSeparator();
        break;
    }
  }
}

QAction* QtMenuBar::AddCommand(QMenu* menu, const MenuItem& item) {
  // A text after "\t" is the shortcut hint; Qt shows it right-aligned without
  // taking it as a shortcut of its own (the accelerators do that).
  const QString text = MnemonicText(item.text);
  QAction* action = nullptr;
  if (menu != nullptr) {
    action = menu->addAction(text);
  } else {
    // A command on the bar itself; owned by this build's holder, so that a
    // rebuild deletes it later like the menus.
    action = new QAction(text, barActions_);
    bar_.addAction(action);
  }
  action->setData(item.id);
  ApplyState(*action, item);
  const int id = item.id;
  QObject::connect(action, &QAction::triggered, action, [this, id] { Triggered(id); });
  commandActions_.emplace_back(action);
  return action;
}

void QtMenuBar::Triggered(int id) {
  // Qt toggled a checkable item on its own; the model decides what shows.
  onCommand_(id);
  UpdateStates();
}

}  // namespace platform::qt
