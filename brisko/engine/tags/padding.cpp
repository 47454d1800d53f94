// SPDX-License-Identifier: MIT
#include "engine/tags/padding.h"

qint64 ToWholeBlocks(qint64 from, qint64 block)
{
    const qint64 rest = from % block;
    return rest == 0 ? 0 : (rest < 0 ? -rest : block - rest);
}

qint64 ChoosePadding(qint64 unpadded, qint64 audioStart, qint64 block, qint64 smallest)
{
    const qint64 kept = audioStart - unpadded;
    if (kept >= 0 && kept <= MostKeptPadding && (kept == 0 || kept >= smallest))
        return kept;
    return FreshPadding + ToWholeBlocks(unpadded + FreshPadding - audioStart, block);
}
