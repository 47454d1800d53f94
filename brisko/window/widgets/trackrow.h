// SPDX-License-Identifier: MIT
#pragma once

#include "engine/convert/statuses.h"
#include "engine/convert/tagreading.h"

#include <QString>
#include <QStringList>

// One row of the track list per music file. Every field is text; the row's
// position in the list (1-based, current order) is how the program addresses it.

// The list's columns, 0-based, in display order.
enum TrackColumn {
    ColFileName = 0,
    ColOriginalSize,
    ColStatus,
    ColNewSize,
    ColTitle,
    ColArtist,
    ColAlbum,
    ColTrack,
    ColYear,
    ColGenre,
    ColComment,
    TrackColumnCount
};

QStringList TrackColumnHeadings();

// Indexes into the list's image list.
enum TrackIcon {
    IconNoPicture = 3,
    IconUnchanged = 4,
    IconResized = 5,
    IconChanged = 6,
    IconFailed = 7,
    IconWorking = 8
};

// "----------": the new size of a picture not converted yet.
inline const QString NotConvertedSize = QStringLiteral("----------");

struct TrackRow
{
    QString Path;
    QString FileName;
    QString OriginalSize = QStringLiteral("0 x 0");
    QString Status;
    QString NewSize = NotConvertedSize;
    TagFields Tags;
    int Icon = 0;
};

// The icon that goes with a status; 0 for a text the list does not know.
int StatusIcon(RowStatus status);
int StatusIcon(const QString &status);

// True for statuses a batch run skips: the file is done with or cannot be done.
// Failures other than "File Missing" are not final, so a later run retries them.
bool IsFinalStatus(const QString &status);
