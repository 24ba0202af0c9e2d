#include "state/ProgramFlags.h"

std::atomic<bool> RedrawSuppressed{false};
std::atomic<int> NumericErrorState{0};
std::atomic<int> SerialFitErrorCode{0};
std::atomic<bool> BatchMode{false};
std::atomic<bool> BatchDone{false};
std::atomic<bool> ExitRequested{false};
