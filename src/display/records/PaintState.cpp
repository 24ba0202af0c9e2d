#include "display/records/PaintState.h"

PaintStateRecord PaintState;
