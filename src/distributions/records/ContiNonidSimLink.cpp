#include "distributions/records/ContiNonidSimLink.h"

std::function<void()> DestroyContiNonidSim = [] {};
bool SminWarningAccepted = false;
