// SPDX-License-Identifier: MIT
#include "batch/batchmemory.h"

#include "engine/pictures/decodebudget.h"
#include "engine/pictures/picturelimits.h"

#include <memory>

TagLibrary::MemoryHold BatchTagMemory(const std::atomic<bool> &stop)
{
    return [&stop](qint64 metadataBytes) -> Result<std::shared_ptr<void>> {
        static DecodeBudget tagMemory(PictureLimits::DecodeBudget);
        Result<DecodeBudget::Grant> grant =
            tagMemory.Acquire(qMin(2 * metadataBytes, tagMemory.Capacity()), [&stop] { return stop.load(); });
        // The tag library refuses the file with it: only a stop can fail here.
        if (!grant)
            return grant.Why();
        return std::shared_ptr<void>(std::make_shared<DecodeBudget::Grant>(std::move(*grant)));
    };
}
