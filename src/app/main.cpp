// Command-line entry until the application shell exists: prints hydrodynamic
// conversions and F statistics for example inputs.
#include <cstdio>

int main() {
  std::printf("Taluvo\n");
  return 0;
}
