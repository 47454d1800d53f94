// SPDX-License-Identifier: MIT
#include "engine/convert/tagchange.h"

#include "engine/convert/filerewrite.h"

#include <QRegularExpression>

namespace {

// A track number typed alone keeps the total the file stores: "7" over
// "3/12" is "7/12", in every format.
QString WithStoredTotal(const QString &typed, const QString &stored)
{
    static const QRegularExpression number(QStringLiteral("^\\s*\\d+\\s*$"));
    static const QRegularExpression total(QStringLiteral("^\\s*\\d*\\s*/\\s*(\\d+)\\s*$"));
    const QRegularExpressionMatch storedTotal = total.match(stored);
    if (!number.match(typed).hasMatch() || !storedTotal.hasMatch())
        return typed;
    return typed.trimmed() + u'/' + storedTotal.captured(1);
}

} // namespace

ChangeOutcome ChangeOutcomeOf(const Result<void> &applied)
{
    if (applied)
        return ChangeOutcome::Changed;
    switch (applied.Why().code) {
    case TagLibraryError::FileNotFound: return ChangeOutcome::FileMissing;
    case TagLibraryError::NoRoom: return ChangeOutcome::LowDriveSpace;
    default: return ChangeOutcome::SaveFailed;
    }
}

Result<void> ApplyTagChange(TagLibrary &tags, const QString &path, const TagChange &change)
{
    const CloseOnExit closeFile(tags);
    const Result<void> open = OpenForRewrite(tags, path);
    if (!open)
        return open;
    // A file without art gets a front cover: the picture players look for.
    constexpr short FrontCover = 3;
    const short pictureType = tags.PictureCount() > 0 ? tags.GetPictureType(1) : FrontCover;

    for (auto field = change.fields.cbegin(); field != change.fields.cend(); ++field) {
        if (field.key() == TagField::Track)
            tags.SetField(field.key(), WithStoredTotal(field.value(), tags.Field(TagField::Track)));
        else
            tags.SetField(field.key(), field.value());
        tags.SetId3v1Field(field.key(), field.value());
    }
    if (change.hasPicture) {
        const Result<void> added = tags.AddPictureData(change.jpeg, pictureType);
        if (!added)
            return added;
    }
    const Result<void> saved = SaveKeepingTime(tags, path, true);
    // A file gone while it was written is missing, whatever stopped the save.
    if (!saved && saved.Why().code != TagLibraryError::NoRoom && !Exists(path))
        return Failure{TagLibraryError::FileNotFound, saved.Why().reason};
    return saved;
}
