#pragma once

// Large blocks of memory (a long paragraph's analysed text, the arrays of a big document) are
// backed by 2 MB pages where the system gives them on request. Touching fresh memory then
// costs one page fault per 2 MB instead of one per 4 KB; on a virtual machine those faults
// were most of the time spent opening a long paragraph. The C library takes that choice only
// when a program starts, from its environment: when it is not set, the program is started
// again in its place (same process, same arguments) with it set; the restarted program puts
// the environment back as it was, for the programs it starts. Returns when nothing is to be
// done, the restart failed, or in the restarted program. Call it first thing in main.
void RequestLargePages(char **argv);

