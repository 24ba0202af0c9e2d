// Form dialogs on Qt widgets, driven as a user would: keys into the fields,
// Enter and Esc, the refusal box over the dialog and the focus after it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>

#include "platform/FormDialog.h"
#include "platform/qt/DesktopTestSupport.h"

namespace platform::qt::test {
namespace {

using DesktopFormTest = DesktopTest;

void PressKey(QWidget& target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(&target, &release);
}

template <typename T>
T& Field(QWidget& dialog, int id) {
  T* widget = dialog.findChild<T*>(QString("field%1").arg(id));
  EXPECT_NE(widget, nullptr) << id;
  return *widget;
}

FormRequest SampleForm() {
  FormRequest request;
  request.caption = "Numerical Control";
  request.items = {FormGroupBox(50, 0, 0, 0, "Grid"),
                   FormEdit(1, 50, 0, 0, "default FE grid size"),
                   FormEdit(2, 50, 1, 0, "points per sigma"),
                   FormCheckBox(3, 50, 2, 0, "automatic dynamic grid size"),
                   FormRadio(4, 1, 0, 1, 0, "times from wwt"),
                   FormRadio(5, 1, 0, 2, 0, "ramp rotor speed")};
  request.state.texts = {{1, "1000"}, {2, "5.0"}};
  request.state.checked = {{3, 1}, {4, 0}, {5, 1}};
  request.check = [](const FormState& s) {
    return s.Text(2).empty() ? RefuseWith("Invalid Entry", "Input Error", 2) : FormRefusal{};
  };
  return request;
}

TEST_F(DesktopFormTest, ShowsTheTableTabsInOrderAndEnterConfirms) {
  FormRequest request = SampleForm();
  QString title, boxTitle, label;
  std::vector<QString> tabs;  // object names in tab order from the first field
  bool radiosShown = false;
  ModalAnswer answer([&](QWidget& w) {
    title = w.windowTitle();
    boxTitle = w.findChild<QGroupBox*>("box50")->title();
    auto& first = Field<QLineEdit>(w, 1);
    label = static_cast<QLabel*>(first.parentWidget()->findChild<QLabel*>())->text();
    radiosShown = !Field<QRadioButton>(w, 4).isChecked() && Field<QRadioButton>(w, 5).isChecked();
    EXPECT_EQ(w.focusWidget(), &first);
    for (QWidget* f = &first; tabs.size() < 5; f = f->nextInFocusChain())
      if (f->focusPolicy() & Qt::TabFocus) tabs.push_back(f->objectName());
    first.setText("1e3");
    Field<QRadioButton>(w, 4).click();
    Field<QCheckBox>(w, 3).click();
    PressKey(first, Qt::Key_Return);
  });
  ASSERT_TRUE(backend().ShowForm(request));
  EXPECT_EQ(title, "Numerical Control");
  EXPECT_EQ(boxTitle, "Grid");
  EXPECT_EQ(label, "default FE grid size");
  EXPECT_TRUE(radiosShown);
  ASSERT_EQ(tabs.size(), 5u);
  EXPECT_EQ(tabs[1], "field2");
  EXPECT_EQ(tabs[2], "field3");
  EXPECT_EQ(tabs[3], "field4");
  EXPECT_EQ(request.state.Text(1), "1e3");
  EXPECT_EQ(request.state.Checked(3), 0);
  EXPECT_EQ(request.state.Checked(4), 1);
  EXPECT_EQ(request.state.Checked(5), 0);
}

TEST_F(DesktopFormTest, RefusalKeepsTheDialogOpenAndFocusesTheField) {
  FormRequest request = SampleForm();
  QString message;
  bool focusBack = false;
  bool stillOpen = false;
  ModalAnswer answer([&](QWidget& w) {
    auto& field = Field<QLineEdit>(w, 2);
    field.setText("");
    // The refusal box opens inside the dialog's OK: answer it from a timer.
    QTimer::singleShot(20, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        message = box->windowTitle() + ": " + box->text();
        box->accept();
      }
    });
    PressKey(Field<QLineEdit>(w, 1), Qt::Key_Return);
    stillOpen = w.isVisible();
    focusBack = w.focusWidget() == &field;
    field.setText("6");
    PressKey(field, Qt::Key_Enter);
  });
  ASSERT_TRUE(backend().ShowForm(request));
  EXPECT_EQ(message, "Input Error: Invalid Entry");
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(focusBack);
  EXPECT_EQ(request.state.Text(2), "6");
}

TEST_F(DesktopFormTest, EscapeCancelsAndLeavesTheState) {
  FormRequest request = SampleForm();
  ModalAnswer answer([&](QWidget& w) {
    Field<QLineEdit>(w, 1).setText("17");
    PressKey(Field<QLineEdit>(w, 1), Qt::Key_Escape);
  });
  EXPECT_FALSE(backend().ShowForm(request));
  EXPECT_EQ(request.state.Text(1), "1000");
}

}  // namespace
}  // namespace platform::qt::test
