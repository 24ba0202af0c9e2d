#include "state/SiblingPeakList.h"

SiblingPeakListRecord SiblingPeakList;
