#include "LargePages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

constexpr const char *kTunables = "GLIBC_TUNABLES";
constexpr const char *kLargePages = "glibc.malloc.hugetlb=1";
// Set for the restarted program only: what GLIBC_TUNABLES held before ("-" for nothing).
constexpr const char *kBefore = "KALVERO_TUNABLES_BEFORE";

} // namespace

void RequestLargePages(char **argv)
{
    // Restarted: the C library has read the setting; the programs this one starts (a link
    // opened in the browser) get the environment as it was.
    if (const char *before = std::getenv(kBefore)) {
        if (std::strcmp(before, "-") == 0)
            unsetenv(kTunables);
        else
            setenv(kTunables, before, 1);
        unsetenv(kBefore);
        return;
    }
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
    const std::string before = tunables ? tunables : "-";
    const std::string value = tunables && *tunables ? std::string(tunables) + ':' + kLargePages : kLargePages;
    if (setenv(kBefore, before.c_str(), 1) != 0 || setenv(kTunables, value.c_str(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    // Not restarted: go on as we are, with the environment as it was.
    if (before == "-")
        unsetenv(kTunables);
    else
        setenv(kTunables, before.c_str(), 1);
    unsetenv(kBefore);
}
