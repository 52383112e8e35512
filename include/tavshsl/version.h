#pragma once

#include "tavshsl/export.h"

// The library's version as "major.minor.patch".
TAVSHSL_API const char* vfTavshslVersion();
