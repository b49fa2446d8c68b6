#pragma once

// The processors this process may run on (its affinity mask, so a run pinned
// with taskset or a container's CPU set counts only those); at least 1.
unsigned availableCores();
