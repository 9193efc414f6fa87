#include "norvane/norvane.h"

// NORVANE_VERSION is the project's version, given by the build.
extern "C" const char* norvane_version(void) {
  return NORVANE_VERSION;
}
