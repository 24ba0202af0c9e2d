#include "numerics/FatalError.h"

#include <cstdio>
#include <cstdlib>

#include "ui/Boxes.h"

void FatalError(const std::string& text) {
  ErrorBox(text, true);
  // The program cannot go on with a block it did not get; a non-zero exit
  // code tells an automated caller that the run failed.
  std::fflush(nullptr);
  std::_Exit(EXIT_FAILURE);
}
