#include "state/PaintState.h"

PaintStateRecord PaintState;
