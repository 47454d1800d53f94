// SPDX-License-Identifier: MIT
#include "window/rowwork.h"

#include "base/briskoerror.h"
#include "engine/tags/taglibrary.h"
#include "engine/convert/volumes.h"

RowConversion ConvertRowFile(TagLibrary &tags, PictureEncoder &encoder, const RowFile &file,
                             const ArtRequest &request, QSize previewBox, PreviewTurn &turn)
{
    RowConversion done;
    if (!VolumeAvailable(file.volume, file.path)) {
        done.volumeGone = true;
        return done;
    }
    try {
        const Result<ArtConversion> art = ConvertArt(tags, encoder, file.path, request);
        if (!art) {
            done.unexpected = art.Why().reason;
            return done;
        }
        done.art = *art;
    } catch (const std::exception &error) {
        done.unexpected = ErrorDescription(error);
        return done;
    }
    if (done.art.outcome != ArtOutcome::Stopped && turn.Take()) {
        try {
            // The picture the conversion left in the file, not read again.
            if (done.art.picture)
                done.preview = PreviewOfPicture(*done.art.picture, file.path, previewBox);
            else if (done.art.outcome == ArtOutcome::FileMissing)
                done.preview = MissingFilePreview();
            else
                done.preview = ReadFilePreview(tags, file.path, previewBox);
        } catch (const std::exception &) {
            // Only the preview is missed; the row tells what became of the file.
        }
    }
    return done;
}

GroupedRows::~GroupedRows()
{
    try {
        Release(group_.Finish());
    } catch (const std::exception &) {
        // Out of memory for the outcomes: the copies not in place are thrown
        // away with the group, their originals as they were.
    }
}

void GroupedRows::Convert(TagLibrary &tags, PictureEncoder &encoder, const RowFile &file, const ArtRequest &request,
                          QSize previewBox, PreviewTurn &turn)
{
    const int waiting = group_.Count();
    RowConversion done = ConvertRowFile(tags, encoder, file, request, previewBox, turn);
    const bool saved = group_.Count() > waiting;
    if (held_.Empty() && !saved) {
        tell_(file, done);
        return;
    }
    held_.Add(Held{file, std::move(done)}, saved);
    if (group_.Full())
        Release(group_.FinishBehind());
}

void GroupedRows::Release(const std::vector<Result<int>> &replaced)
{
    held_.Release(
        replaced,
        [](Held &held, const Result<int> &outcome) {
            if (outcome) {
                held.done.art.otherNames = *outcome;
            } else {
                held.done.art.outcome = ArtOutcome::SaveFailed;
                held.done.art.reason = outcome.Why().reason;
                held.done.preview.reset(); // it showed the picture that is not in the file
            }
        },
        [this](const Held &held) { tell_(held.file, held.done); });
}

ChangedFile ChangeFile(TagLibrary &tags, const RowFile &file, const TagChange &change, QSize previewBox,
                       PreviewTurn &turn)
{
    const QString &path = file.path;
    ChangedFile done;
    if (!VolumeAvailable(file.volume, path)) {
        done.volumeGone = true;
        return done;
    }
    try {
        const Result<void> applied = ApplyTagChange(tags, path, change);
        done.outcome = ChangeOutcomeOf(applied);
        if (done.outcome == ChangeOutcome::SaveFailed)
            done.reason = applied.Why().reason;
        if (done.outcome != ChangeOutcome::Changed)
            return done;
        done.otherNames = tags.OtherNamesOfSaved();
        const Result<ReadTags> read = GetTags(tags, path);
        if (read)
            done.fields = read->fields;
        if (turn.Take())
            done.preview = PreviewOfPicture(read && read->hasPicture ? read->picture : QByteArray(), path, previewBox);
    } catch (const std::exception &error) {
        done.unexpected = ErrorDescription(error);
    }
    return done;
}

