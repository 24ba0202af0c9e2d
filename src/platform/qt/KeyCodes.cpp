#include "platform/qt/KeyCodes.h"

#include "platform/Window.h"

namespace platform::qt {

namespace {

struct KeyPair {
  int qtKey;
  int virtualKey;
};

// Keys whose code is not their own character.
constexpr KeyPair kNamedKeys[] = {
    {Qt::Key_Backspace, key::Back},
    {Qt::Key_Tab, key::Tab},
    {Qt::Key_Backtab, key::Tab},
    {Qt::Key_Return, key::Return},
    {Qt::Key_Enter, key::Return},
    {Qt::Key_Shift, key::Shift},
    {Qt::Key_Control, key::Control},
    {Qt::Key_Alt, key::Menu},
    {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Escape, key::Escape},
    {Qt::Key_Space, key::Space},
    {Qt::Key_PageUp, key::Prior},
    {Qt::Key_PageDown, key::Next},
    {Qt::Key_End, key::End},
    {Qt::Key_Home, key::Home},
    {Qt::Key_Left, key::Left},
    {Qt::Key_Up, key::Up},
    {Qt::Key_Right, key::Right},
    {Qt::Key_Down, key::Down},
    {Qt::Key_Print, 0x2C},
    {Qt::Key_Insert, key::Insert},
    {Qt::Key_Delete, key::Delete},
    {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91},
    // The punctuation keys of the main block.
    {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},
    {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},
    {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},
    {Qt::Key_Question, 0xBF},
};

// The keypad's operator keys have codes of their own.
constexpr KeyPair kKeypadKeys[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},  {Qt::Key_Minus, 0x6D},
    {Qt::Key_Period, 0x6E},   {Qt::Key_Comma, 0x6E}, {Qt::Key_Slash, 0x6F},
};

}  // namespace

int VirtualKey(int qtKey, bool keypad) {
  if (keypad) {
    for (const KeyPair& k : kKeypadKeys)
      if (k.qtKey == qtKey) return k.virtualKey;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 0x60 + (qtKey - Qt::Key_0);
  }
  // Letters and digits are their upper-case ASCII codes in both schemes.
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return qtKey;
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return key::F1 + (qtKey - Qt::Key_F1);
  for (const KeyPair& k : kNamedKeys)
    if (k.qtKey == qtKey) return k.virtualKey;
  return 0;
}

int TypedCharacter(const QKeyEvent& event) {
  const QString text = event.text();
  if (text.isEmpty()) return 0;
  const char32_t code = text.toUcs4().value(0);
  // Delete types nothing in the classic scheme, though X reports DEL for it.
  if (code == 0x7F) return 0;
  return static_cast<int>(code);
}

Message KeyMessage(const QKeyEvent& event, WindowHandle window) {
  Message m;
  m.window = window;
  m.kind = event.type() == QEvent::KeyRelease ? MessageKind::KeyUp : MessageKind::KeyDown;
  m.wparam = VirtualKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
  m.lparam = TypedCharacter(event);
  m.control = event.modifiers().testFlag(Qt::ControlModifier);
  m.alt = event.modifiers().testFlag(Qt::AltModifier);
  m.shift = event.modifiers().testFlag(Qt::ShiftModifier);
  return m;
}

}  // namespace platform::qt
