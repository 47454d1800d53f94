// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the picture loader and encoder: measure from the
// headers, load, and scale to 64 x 48 as a conversion would. Only crashes,
// hangs and runaway memory count; refusing a picture is the expected answer
// to most inputs. Every decode must give its memory back to the budget.
#include "engine/pictures/pictureencoder.h"
#include "engine/pictures/pictureloader.h"

#include <QCoreApplication>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv); // as in the programs that use the engine
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    DeclaredPictureSize(bytes);
    if (PictureSizeOf(bytes))
        LoadPictureFrom(bytes);
    ScaledPicture(bytes, QSize(64, 48));
    if (DecodeBudget::Pictures().InUse() != 0)
        __builtin_trap();
    return 0;
}
