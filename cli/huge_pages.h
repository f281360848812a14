#pragma once

// A 12-megapixel reduction touches a few hundred megabytes of fresh memory
// exactly once (file image, pixels, work buffer, indexes). With 4 KiB pages
// the page faults cost more than the reduction itself, so zinop-cli asks
// glibc's malloc to back large blocks with transparent huge pages. The
// tunable is read only at process start: when it is not set yet, this sets
// it and re-executes the program with the same arguments. It returns only
// when nothing was done (already set, not Linux, or exec failed). Setting
// ZINOP_HUGE_PAGES to anything beforehand skips it (e.g. under valgrind).
void RestartWithHugePages(char** argv);
