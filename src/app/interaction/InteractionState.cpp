#include "app/interaction/InteractionState.h"

#include "ui/MouseFlick.h"

LineMoveStateRecord LineMoveState;
RubberBandRecord RubberBand;
RangeSelectionRecord RangeSelection;
HoverStateRecord HoverState;
MouseSlidingRecord MouseSliding;
bool KeyInterruptFlag = false;

void ResetInteractionState() {
  LineMoveState = LineMoveStateRecord{};
  RubberBand = RubberBandRecord{};
  RangeSelection = RangeSelectionRecord{};
  HoverState = HoverStateRecord{};
  MouseSliding = MouseSlidingRecord{};
  MouseFlickSettings.SlidingOff = true;
  KeyInterruptFlag = false;
}
