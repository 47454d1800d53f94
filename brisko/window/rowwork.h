// SPDX-License-Identifier: MIT
#pragma once

#include "engine/convert/artconversion.h"
#include "engine/convert/tagchange.h"
#include "engine/convert/tagreading.h"
#include "engine/files/heldresults.h"
#include "engine/files/replacegroup.h"
#include "window/filepreview.h"

#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class PictureEncoder;
class TagLibrary;

// The work one worker does for one row of the list, away from the window:
// what it needs is copied in, what it found is handed back whole.

// A row's file, as the worker needs it: the row it was at when the run began.
struct RowFile
{
    int row = 0;
    QString path;
    QString volume;
};

// What a worker found for one row.
struct RowConversion
{
    ArtConversion art;
    bool volumeGone = false;
    QString unexpected; // an unexpected error's description
    std::optional<FilePreview> preview;
};

// Converts the art of one row's file, and makes its preview when it has
// the turn.
RowConversion ConvertRowFile(TagLibrary &tags, PictureEncoder &encoder, const RowFile &file,
                             const ArtRequest &request, QSize previewBox, PreviewTurn &turn);

// One worker's conversions, whose saves wait in a group to reach the disk
// together (see ReplaceGroup). A row's result is told only once its file is
// in place, or could not be put there, and the results after it wait with
// it: the rows show what became of their files in the order they were done.
// A full group goes to the disk while the worker converts the next files.
// The files still waiting are put in place when the worker goes away, on
// "Stop" too: their new copies are whole.
class GroupedRows
{
public:
    using Tell = std::function<void(const RowFile &file, const RowConversion &done)>;
    explicit GroupedRows(Tell tell) : tell_(std::move(tell)) {}
    ~GroupedRows();
    GroupedRows(const GroupedRows &) = delete;
    GroupedRows &operator=(const GroupedRows &) = delete;

    // The group the worker's tag library saves into.
    ReplaceGroup &Group() { return group_; }
    // Converts the row's file with saves into the group, and tells its result
    // now or with the group.
    void Convert(TagLibrary &tags, PictureEncoder &encoder, const RowFile &file, const ArtRequest &request,
                 QSize previewBox, PreviewTurn &turn);

private:
    struct Held
    {
        RowFile file;
        RowConversion done;
    };
    void Release(const std::vector<Result<int>> &replaced);

    ReplaceGroup group_;
    HeldResults<Held> held_;
    Tell tell_;
};

// A file written with the dialog's change, as a worker left it.
struct ChangedFile
{
    ChangeOutcome outcome = ChangeOutcome::SaveFailed;
    bool volumeGone = false;
    QString unexpected; // an unexpected error's description
    QString reason;     // why the save was refused
    int otherNames = 0;
    TagFields fields;   // the file as adding it would show it: both tags, genre names
    std::optional<FilePreview> preview;
};

// Writes the dialog's change into one row's file and reads the file back
// as the row shows it.
ChangedFile ChangeFile(TagLibrary &tags, const RowFile &file, const TagChange &change, QSize previewBox,
                       PreviewTurn &turn);
