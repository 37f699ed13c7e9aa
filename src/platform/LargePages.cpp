#include "LargePages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

constexpr const char *kTunables = "GLIBC_TUNABLES";
constexpr const char *kLargePages = "glibc.malloc.hugetlb=1";

} // namespace

void RequestLargePages(char **argv)
{
    const char *tunables = std::getenv(kTunables);
    // Set already (by us, or by the user either way): never twice.
    if (tunables && std::strstr(tunables, "glibc.malloc.hugetlb"))
        return;
    char enabled[128] = {};
    if (FILE *file = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r")) {
        const size_t read = std::fread(enabled, 1, sizeof enabled - 1, file);
        enabled[read] = '\0';
        std::fclose(file);
    }
    // "[always]" gives them without asking, "[never]" not at all.
    if (!std::strstr(enabled, "[madvise]"))
        return;
    std::string value = tunables && *tunables ? std::string(tunables) + ':' + kLargePages : kLargePages;
    if (setenv(kTunables, value.c_str(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    // Not restarted: go on as we are (the variable stays set, so a child does not try again).
}
