#include "state/KeysReadByDisplay.h"

bool KeysReadByDisplay = false;
