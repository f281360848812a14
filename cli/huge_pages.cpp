#include "cli/huge_pages.h"

#include <cstdlib>
#include <string>

#ifdef __linux__
#include <unistd.h>
#endif

void RestartWithHugePages(char** argv) {
#ifdef __linux__
    // Our own mark, so a failed or refused setting never loops.
    if (std::getenv("ZINOP_HUGE_PAGES") != nullptr) return;
    setenv("ZINOP_HUGE_PAGES", "1", 1);
    std::string tunables = "glibc.malloc.hugetlb=1";
    if (const char* existing = std::getenv("GLIBC_TUNABLES"); existing && *existing) {
        if (std::string(existing).find("glibc.malloc.hugetlb") != std::string::npos) return;
        tunables = std::string(existing) + ":" + tunables;
    }
    setenv("GLIBC_TUNABLES", tunables.c_str(), 1);
    execv("/proc/self/exe", argv);
    // exec failed: go on with ordinary pages.
#else
    (void)argv;
#endif
}
