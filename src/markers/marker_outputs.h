#pragma once
// The writer of the marker table and the summary page lives with the page
// (page/marker_outputs.h); this name stays for the code that still includes it.
#include "page/marker_outputs.h"
