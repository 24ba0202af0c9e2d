#include "state/ContiNonidSimLink.h"
#include "state/Links.h"

std::function<void()> DestroyContiNonidSim = links::Unwired;
bool SminWarningAccepted = false;
