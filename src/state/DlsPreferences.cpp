#include "state/DlsPreferences.h"

bool AlwaysLoadG2 = false;
