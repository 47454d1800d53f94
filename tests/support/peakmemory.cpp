// SPDX-License-Identifier: MIT
#include "support/peakmemory.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>

namespace {

// A "VmRSS:" or "VmHWM:" line of /proc/self/status, in kilobytes; -1 when missing.
long StatusKilobytes(const char *field)
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    long kilobytes = -1;
    char line[256];
    while (kilobytes < 0 && std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, std::strlen(field)) == 0)
            std::sscanf(line + std::strlen(field), "%ld", &kilobytes);
    std::fclose(status);
    return kilobytes;
}

} // namespace

PeakMemory::PeakMemory()
{
    malloc_trim(0);
    // "5" sets the high-water mark back to the memory held now.
    if (std::FILE *clear = std::fopen("/proc/self/clear_refs", "w")) {
        measurable_ = std::fputs("5", clear) >= 0;
        measurable_ = std::fclose(clear) == 0 && measurable_;
    }
    start_ = StatusKilobytes("VmRSS:");
    measurable_ = measurable_ && start_ >= 0;
}

long PeakMemory::Kilobytes() const
{
    return StatusKilobytes("VmHWM:") - start_;
}

bool PeakMemory::Below(long megabytes) const
{
    return measurable_ && Kilobytes() < megabytes * 1024;
}

std::string PeakMemory::Text() const
{
    return measurable_ ? std::to_string(Kilobytes()) + " kB above the start"
                       : "the peak cannot be measured here: /proc/self/clear_refs refused";
}
