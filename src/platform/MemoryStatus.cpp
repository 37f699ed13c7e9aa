// Placeholder.
#include "MemoryStatus.h"
MemoryStatus QueryMemoryStatus() { return {}; }
