#include "display/records/CursorLines.h"

CursorLineStateRecord CursorLineState;
