// Form dialogs on Qt widgets: the item table laid out in grids (one per
// group box), tab order as listed, Enter for OK and Esc for Cancel. OK asks
// the form's check; a refusal shows its messages over the dialog and puts
// the focus back into the field it names, with the user's text kept.

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <map>

#include "platform/FormDialog.h"
#include "platform/qt/DesktopBackend.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

// Edit fields are sized for their numbers, not stretched across the cell.
constexpr int kDefaultEditChars = 10;

class FormDialog : public QDialog {
 public:
  FormDialog(QWidget* parent, DesktopBackend& backend, FormRequest& request)
      : QDialog(parent), backend_(backend), request_(request) {
    setWindowTitle(ToQString(request.caption));
    setMinimumWidth(WidthForTitle(windowTitle()));
    setObjectName("form");
    auto* outer = new QVBoxLayout(this);  // every widget below is owned by the dialog
    auto* body = new QGridLayout();
    outer->addLayout(body);
    grids_[0] = body;
    parents_[0] = this;
    for (const FormItem& item : request.items) Build(item);
    // Spare space goes below and to the right of the controls, so that rows
    // stay together and fields keep their size.
    for (auto& [box, grid] : grids_) {
      grid->setRowStretch(grid->rowCount(), 1);
      grid->setColumnStretch(grid->columnCount(), 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, &FormDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    outer->addWidget(buttons);
    focusOrder_.push_back(buttons->button(QDialogButtonBox::Ok));
    focusOrder_.push_back(buttons->button(QDialogButtonBox::Cancel));
    for (std::size_t i = 1; i < focusOrder_.size(); ++i)
      QWidget::setTabOrder(focusOrder_[i - 1], focusOrder_[i]);
    // The first edit field takes the focus: most dialogs are there to type
    // numbers into.
    if (!edits_.empty() || !focusOrder_.empty()) FirstField()->setFocus();
    setMinimumSize(request.minWidth, request.minHeight);
    Show(request.state);
  }

  void accept() override {
    FormState state = Collect();
    FormRefusal refusal = request_.check ? request_.check(state) : FormRefusal{};
    for (const BoxRequest& box : refusal.messages) backend_.ShowBoxOn(this, box);
    if (refusal.refused) {
      FocusField(refusal.focusId);
      return;
    }
    request_.state = std::move(state);
    QDialog::accept();
  }

 private:
  void Build(const FormItem& item) {
    QGridLayout* grid = GridOf(item.box);
    QWidget* parent = parents_[item.box];
    QWidget* cell = nullptr;
    switch (item.kind) {
      case FormControl::Label: {
        auto* label = new QLabel(ToQString(item.text), parent);
        if (item.rightAligned) label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cell = label;
        break;
      }
      case FormControl::Edit: {
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(QString("field%1").arg(item.id));
        if (item.capacity > 1) edit->setMaxLength(item.capacity - 1);
        edit->setReadOnly(item.readOnly);
        const int chars = item.widthChars > 0 ? item.widthChars : kDefaultEditChars;
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * (chars + 2));
        edits_[item.id] = edit;
        focusOrder_.push_back(edit);
        if (item.text.empty()) {
          cell = edit;
        } else {
          cell = new QWidget(parent);
          auto* row = new QHBoxLayout(cell);
          row->setContentsMargins(0, 0, 0, 0);
          auto* label = new QLabel(ToQString(item.text), cell);
          label->setBuddy(edit);
          row->addWidget(label);
          edit->setParent(cell);
          row->addWidget(edit, 1);
        }
        break;
      }
      case FormControl::Check: {
        auto* box = new QCheckBox(MnemonicText(item.text), parent);
        box->setObjectName(QString("field%1").arg(item.id));
        buttons_[item.id] = box;
        focusOrder_.push_back(box);
        cell = box;
        break;
      }
      case FormControl::Radio: {
        auto* radio = new QRadioButton(MnemonicText(item.text), parent);
        radio->setObjectName(QString("field%1").arg(item.id));
        QButtonGroup*& group = radioGroups_[item.radioGroup];
        if (group == nullptr) group = new QButtonGroup(this);
        group->addButton(radio);
        buttons_[item.id] = radio;
        focusOrder_.push_back(radio);
        cell = radio;
        break;
      }
      case FormControl::GroupBox: {
        auto* frame = new QGroupBox(MnemonicText(item.text), parent);
        frame->setObjectName(QString("box%1").arg(item.id));
        grids_[item.id] = new QGridLayout(frame);
        parents_[item.id] = frame;
        cell = frame;
        break;
      }
    }
    grid->addWidget(cell, item.row, item.column, item.rowSpan, item.columnSpan);
  }

  QWidget* FirstField() const {
    for (QWidget* w : focusOrder_)
      if (qobject_cast<QLineEdit*>(w) != nullptr) return w;
    return focusOrder_.front();
  }

  QGridLayout* GridOf(int box) {
    const auto it = grids_.find(box);
    if (it != grids_.end()) return it->second;
    // A control naming a box not (yet) listed goes into the dialog itself.
    return grids_[0];
  }

  void Show(const FormState& state) {
    for (const auto& [id, edit] : edits_) edit->setText(ToQString(state.Text(id)));
    // Radios of one group: an exclusive group cannot be cleared by unticking
    // a button, so clear it as a whole first.
    for (auto& [group, buttons] : radioGroups_) {
      buttons->setExclusive(false);
      for (QAbstractButton* b : buttons->buttons()) b->setChecked(false);
    }
    for (const auto& [id, button] : buttons_) button->setChecked(state.Checked(id) != 0);
    for (auto& [group, buttons] : radioGroups_) buttons->setExclusive(true);
  }

  FormState Collect() const {
    FormState state = request_.state;
    for (const auto& [id, edit] : edits_) state.texts[id] = edit->text().toStdString();
    for (const auto& [id, button] : buttons_) state.checked[id] = button->isChecked() ? 1 : 0;
    return state;
  }

  void FocusField(int id) {
    if (const auto it = edits_.find(id); it != edits_.end()) {
      it->second->setFocus(Qt::OtherFocusReason);
      it->second->selectAll();
    } else if (const auto b = buttons_.find(id); b != buttons_.end()) {
      b->second->setFocus(Qt::OtherFocusReason);
    }
  }

  DesktopBackend& backend_;
  FormRequest& request_;
  std::map<int, QGridLayout*> grids_;
  std::map<int, QWidget*> parents_;
  std::map<int, QLineEdit*> edits_;
  std::map<int, QAbstractButton*> buttons_;
  std::map<int, QButtonGroup*> radioGroups_;
  std::vector<QWidget*> focusOrder_;
};

}  // namespace

bool DesktopBackend::ShowForm(FormRequest& request) {
  FormDialog dialog(OwnerWidget(request.owner), *this, request);
  return RunModal(dialog) == QDialog::Accepted;
}

}  // namespace platform::qt
