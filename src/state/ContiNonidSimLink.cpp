#include "state/ContiNonidSimLink.h"

std::function<void()> DestroyContiNonidSim = [] {};
bool SminWarningAccepted = false;
