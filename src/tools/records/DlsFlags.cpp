#include "tools/records/DlsFlags.h"

bool DlsFieldAcf = false;
