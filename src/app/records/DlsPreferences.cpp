#include "app/records/DlsPreferences.h"

bool AlwaysLoadG2 = false;
