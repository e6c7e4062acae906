// Loads libclean the way the program does, at start: its start-up work then runs, nothing else.
#include "clean.h"

#include <cstdlib>

int main() {
  // Refers to the library so the linker keeps it as a dependency; never called.
  volatile auto keep = &CleanIt;
  (void)keep;
  return EXIT_SUCCESS;
}
