#include "app/records/SiblingPeakList.h"

SiblingPeakListRecord SiblingPeakList;
