#include "app/records/ModelSelection.h"

ModelSelectionRecord ModelSelection;
