// What the list runners need of the solver itself: a private copy for each
// equation and the key poll of the user-interface thread.

#include "lamm/CLammIdeal.h"
#include "ui/Boxes.h"

std::unique_ptr<CLammIdeal> CLammIdeal::NewCopy() const {
  auto copy = std::make_unique<CLammIdeal>();
  copy->CopySetup(*this);
  return copy;
}

bool CLammIdeal::UserAbort() const {
  // Worker copies set NoKeyPoll: the message queue belongs to the
  // user-interface thread, and only that thread may poll it.
  if (NoKeyPoll) return false;
  return KeyPressed();
}
