#include "state/CursorLines.h"

CursorLineStateRecord CursorLineState;
