#include "tavshsl/version.h"

const char* vfTavshslVersion() { return "1.0.0"; }
