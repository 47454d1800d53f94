// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// Bytes from..from+size of whole, sharing whole's memory instead of copying
// it: a frame of a tag, or the picture in a frame, costs nothing beside the
// tag it came from, and keeps that alive as long as it is held. Writing to
// the slice copies it first, as for any shared QByteArray. Unlike most
// QByteArrays a slice is not followed by a '\0'.
inline QByteArray SharedSlice(const QByteArray &whole, qsizetype from, qsizetype size)
{
    QByteArray::DataPointer &shared = const_cast<QByteArray &>(whole).data_ptr();
    if (!shared.d_ptr()) // raw data has no owner to share: copy
        return whole.mid(from, size);
    QByteArray::DataPointer slice(shared.d_ptr(), shared.data() + from, size);
    slice.ref();
    return QByteArray(std::move(slice));
}
