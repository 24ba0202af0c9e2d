#include "platform/Menu.h"

#include <utility>

namespace platform {

MenuItem MenuItem::Command(int id, std::string text, bool checked, bool grayed) {
  MenuItem item;
  item.kind = Kind::Command;
  item.id = id;
  item.text = std::move(text);
  item.checked = checked;
  item.grayed = grayed;
  return item;
}

MenuItem MenuItem::Popup(std::string text, std::vector<MenuItem> children) {
  MenuItem item;
  item.kind = Kind::Popup;
  item.text = std::move(text);
  item.children = std::move(children);
  return item;
}

MenuItem MenuItem::Separator() {
  MenuItem item;
  item.kind = Kind::Separator;
  return item;
}

namespace {

template <typename Item, typename Visit>
bool Walk(std::vector<Item>& items, Visit&& visit) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (visit(items, i)) return true;
    if (items[i].kind == MenuItem::Kind::Popup && Walk(items[i].children, visit)) return true;
  }
  return false;
}

}  // namespace

void MenuModel::SetBar(std::vector<MenuItem> bar) {
  bar_ = std::move(bar);
  Changed();
}

MenuItem* MenuModel::FindMutable(int id) {
  MenuItem* found = nullptr;
  Walk(bar_, [&](std::vector<MenuItem>& items, std::size_t i) {
    if (items[i].kind == MenuItem::Kind::Command && items[i].id == id) {
      found = &items[i];
      return true;
    }
    return false;
  });
  return found;
}

const MenuItem* MenuModel::Find(int id) const {
  return const_cast<MenuModel*>(this)->FindMutable(id);
}

bool MenuModel::Check(int id, bool checked) {
  MenuItem* item = FindMutable(id);
  if (item == nullptr) return false;
  if (item->checked != checked) {
    item->checked = checked;
    Changed();
  }
  return true;
}

bool MenuModel::Enable(int id, bool enabled) {
  MenuItem* item = FindMutable(id);
  if (item == nullptr) return false;
  if (item->grayed == enabled) {
    item->grayed = !enabled;
    Changed();
  }
  return true;
}

bool MenuModel::InsertBefore(int beforeId, MenuItem item) {
  const bool done = Walk(bar_, [&](std::vector<MenuItem>& items, std::size_t i) {
    if (items[i].kind == MenuItem::Kind::Command && items[i].id == beforeId) {
      items.insert(items.begin() + static_cast<std::ptrdiff_t>(i), std::move(item));
      return true;
    }
    return false;
  });
  if (done) Changed();
  return done;
}

bool MenuModel::Delete(int id) {
  const bool done = Walk(bar_, [&](std::vector<MenuItem>& items, std::size_t i) {
    if (items[i].kind == MenuItem::Kind::Command && items[i].id == id) {
      items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
    return false;
  });
  if (done) Changed();
  return done;
}

bool MenuModel::IsChecked(int id) const {
  const MenuItem* item = Find(id);
  return item != nullptr && item->checked;
}

bool MenuModel::IsGrayed(int id) const {
  const MenuItem* item = Find(id);
  return item != nullptr && item->grayed;
}

std::vector<int> MenuModel::CommandIds() const {
  std::vector<int> ids;
  auto& bar = const_cast<std::vector<MenuItem>&>(bar_);
  Walk(bar, [&](std::vector<MenuItem>& items, std::size_t i) {
    if (items[i].kind == MenuItem::Kind::Command) ids.push_back(items[i].id);
    return false;
  });
  return ids;
}

void MenuModel::Changed() {
  if (listener_) listener_();
}

std::string PlainMenuText(const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\t') break;
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        plain += '&';
        ++i;
      }
      continue;
    }
    plain += text[i];
  }
  return plain;
}

}  // namespace platform
