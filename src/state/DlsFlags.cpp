#include "state/DlsFlags.h"

bool DlsFieldAcf = false;
