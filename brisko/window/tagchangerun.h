// SPDX-License-Identifier: MIT
#pragma once

#include "window/rowrun.h"

#include <QImage>
#include <QSize>

#include <memory>

class OperationGuard;
class PictureEncoder;
struct ChangedFile;
struct TagChange;

// "Change Picture | Tag" once its dialog is closed with Save: the dialog's
// fields, and the kept picture made into one JPEG, written into the selected
// rows' files on the workers, each row showing what became of its file.
class TagChangeRun : private RowRun
{
public:
    TagChangeRun(const RowRunParts &parts, PictureEncoder &encoder);

    // Writes change, and keptPicture when there is one (at targetSize and
    // quality), into the selected rows' files on up to workers threads. The
    // window stays busy while operation lives: until the last row is shown.
    void Run(TagChange change, const QImage &keptPicture, int targetSize, int quality, int workers,
             std::shared_ptr<OperationGuard> operation);

private:
    // Shows in one row what writing the change into its file did.
    void UpdateCurrentPix(int row, const QString &path, bool newPicture, const ChangedFile &done, QSize originalSize,
                          QSize newSize);

    PictureEncoder &encoder_;
};
