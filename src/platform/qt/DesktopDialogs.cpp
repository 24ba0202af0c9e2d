// The desktop backend's modal dialogs: message boxes, the one-line entry
// dialog, the file dialogs and the text-entry window. Each runs its own loop,
// in which the main window keeps painting and queued messages go on.

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/DesktopBackend.h"
#include "platform/qt/FileDialogFilters.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

QMessageBox::Icon QtIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None:
      return QMessageBox::NoIcon;
    case BoxIcon::Information:
      return QMessageBox::Information;
    case BoxIcon::Question:
      return QMessageBox::Question;
    case BoxIcon::Warning:
      return QMessageBox::Warning;
    case BoxIcon::Error:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

struct BoxButton {
  QMessageBox::StandardButton button;
  BoxAnswer answer;
};

// The buttons in the order shown; the first is the default.
std::vector<BoxButton> ButtonsOf(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok:
      return {{QMessageBox::Ok, BoxAnswer::Ok}};
    case BoxButtons::OkCancel:
      return {{QMessageBox::Ok, BoxAnswer::Ok}, {QMessageBox::Cancel, BoxAnswer::Cancel}};
    case BoxButtons::YesNo:
      return {{QMessageBox::Yes, BoxAnswer::Yes}, {QMessageBox::No, BoxAnswer::No}};
    case BoxButtons::YesNoCancel:
      return {{QMessageBox::Yes, BoxAnswer::Yes},
              {QMessageBox::No, BoxAnswer::No},
              {QMessageBox::Cancel, BoxAnswer::Cancel}};
  }
  return {{QMessageBox::Ok, BoxAnswer::Ok}};
}

// What closing the box without a button means: Cancel where there is one,
// else the answer that does nothing (OK alone, or No).
BoxAnswer EscapeAnswer(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok:
      return BoxAnswer::Ok;
    case BoxButtons::YesNo:
      return BoxAnswer::No;
    case BoxButtons::OkCancel:
    case BoxButtons::YesNoCancel:
      break;
  }
  return BoxAnswer::Cancel;
}

}  // namespace

BoxAnswer DesktopBackend::ShowMessageBox(const BoxRequest& request) {
  return ShowBoxOn(OwnerWidget(request.owner), request);
}

BoxAnswer DesktopBackend::ShowBoxOn(QWidget* parent, const BoxRequest& request) {
  QMessageBox box(parent);
  box.setWindowTitle(ToQString(request.caption));
  box.setText(ToQString(request.text));
  box.setIcon(QtIcon(request.icon));
  const std::vector<BoxButton> buttons = ButtonsOf(request.buttons);
  QMessageBox::StandardButtons set;
  for (const BoxButton& b : buttons) set |= b.button;
  box.setStandardButtons(set);
  box.setDefaultButton(buttons.front().button);
  // A message box sizes itself to its text; a short text under a long
  // caption would leave the window manager to cut the caption. (Added last:
  // setting the icon or buttons lays the box out anew.)
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(WidthForTitle(box.windowTitle()), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  RunModal(box);
  for (const BoxButton& b : buttons)
    if (box.clickedButton() == box.button(b.button)) return b.answer;
  return EscapeAnswer(request.buttons);
}

bool DesktopBackend::ShowEntryDialog(EntryRequest& request) {
  QDialog dialog(OwnerWidget(request.owner));
  dialog.setWindowTitle(ToQString(request.caption));
  dialog.setMinimumWidth(WidthForTitle(dialog.windowTitle()));
  auto* layout = new QVBoxLayout(&dialog);  // widgets below are owned by the dialog
  layout->addWidget(new QLabel(ToQString(request.prompt), &dialog));
  auto* edit = new QLineEdit(ToQString(request.text), &dialog);
  // The capacity counts the terminator of the edit buffer.
  if (request.capacity > 0) edit->setMaxLength(static_cast<int>(request.capacity - 1));
  edit->selectAll();
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  edit->setFocus();
  if (RunModal(dialog) != QDialog::Accepted) return false;
  std::string text = edit->text().toStdString();
  if (request.capacity > 0 && text.size() > request.capacity - 1) text.resize(request.capacity - 1);
  request.text = std::move(text);
  return true;
}

bool DesktopBackend::FileDialog(FileDialogRequest& request, bool save) {
  QFileDialog dialog(OwnerWidget(request.owner), ToQString(request.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (save || !request.mustExist)
    dialog.setFileMode(QFileDialog::AnyFile);
  else
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
  const QStringList filters = DialogNameFilters(request.filters);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = std::clamp(request.filterIndex, 1, static_cast<int>(filters.size()));
    dialog.selectNameFilter(filters[index - 1]);
  }
  dialog.setDefaultSuffix(DialogSuffix(request.defaultExtension));
  if (!request.initialFolder.empty()) dialog.setDirectory(ToQString(request.initialFolder));
  if (!request.fileName.empty()) dialog.selectFile(ToQString(request.fileName));
  // The detail view with room for every column: names wide, and size, type
  // and date as wide as their texts (Qt's default cuts "14.2 KiB" short).
  dialog.setViewMode(QFileDialog::Detail);
  dialog.resize(std::max(dialog.width(), 900), std::max(dialog.height(), 560));
  if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
  }
  request.chosen.clear();
  if (RunModal(dialog) != QDialog::Accepted) return false;
  for (const QString& path : dialog.selectedFiles())
    request.chosen.push_back(QDir::cleanPath(path).toStdString());
  if (request.chosen.empty()) return false;
  if (!request.multiSelect) request.chosen.resize(1);
  request.fileName = request.chosen.front();
  const auto chosenFilter = filters.indexOf(dialog.selectedNameFilter());
  if (chosenFilter >= 0) request.filterIndex = static_cast<int>(chosenFilter) + 1;
  return true;
}

bool DesktopBackend::ShowOpenFileDialog(FileDialogRequest& request) {
  return FileDialog(request, false);
}

bool DesktopBackend::ShowSaveFileDialog(FileDialogRequest& request) {
  return FileDialog(request, true);
}

bool DesktopBackend::ShowTextEntryWindow(TextEntryRequest& request) {
  QDialog dialog(OwnerWidget(request.owner));
  dialog.setWindowTitle(ToQString(request.caption));
  auto* layout = new QVBoxLayout(&dialog);  // widgets below are owned by the dialog
  auto* editor = new QPlainTextEdit(ToQString(request.text), &dialog);
  editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  editor->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(editor);
  // The window has nothing to cancel: however it is closed (its button, the
  // close box, Esc), the caller gets the text as it stands.
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.resize(640, 480);
  editor->setFocus();
  RunModal(dialog);
  request.text = editor->toPlainText().toStdString();
  return true;
}

}  // namespace platform::qt
