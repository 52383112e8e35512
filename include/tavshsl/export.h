#pragma once

// TAVSHSL_API marks the classes and functions that libtavshsl.so exports.
// The library is built with hidden visibility; everything else stays inside.
#define TAVSHSL_API __attribute__((visibility("default")))
