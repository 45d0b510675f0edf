#pragma once

// Memory the program has freed stays with it while the allocator keeps it for later: after a
// folder scan, whose scratch (paths, tags, the refusal test's index) is many times what the
// library keeps, that would be tens of megabytes for the rest of the run. giveBack() hands the
// freed pages back to the system; it changes nothing the program holds.
namespace FreeMemory {
void giveBack();
}
