#include "display/DisplayLinks.h"

namespace display {

MainDisplayLinksRecord MainDisplayLinks;

}  // namespace display
