// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// Numbers stored as count bytes (up to four), most significant first (big
// endian: MP4, FLAC, ID3v2, PNG, JPEG) or least significant first (little
// endian: Ogg, Vorbis comments, BMP, GIF), at a place the caller has checked
// holds them. The one set that every tag container and picture reader uses.
inline quint32 BigEndian(const uchar *at, int count)
{
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | at[i];
    return value;
}

inline quint32 LittleEndian(const uchar *at, int count)
{
    quint32 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

// The same in a QByteArray, each byte taken through at(), which debug builds
// check against its size.
inline quint32 BigEndian(const QByteArray &bytes, qint64 at, int count)
{
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | uchar(bytes.at(at + i));
    return value;
}

inline quint32 LittleEndian(const QByteArray &bytes, qint64 at, int count)
{
    quint32 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | uchar(bytes.at(at + i));
    return value;
}

inline quint64 BigEndian64(const QByteArray &bytes, qint64 at)
{
    return quint64(BigEndian(bytes, at, 4)) << 32 | BigEndian(bytes, at + 4, 4);
}

inline void AppendBigEndian(QByteArray *bytes, quint32 value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        bytes->append(char((value >> (8 * i)) & 0xFF));
}

inline void AppendLittleEndian(QByteArray *bytes, quint32 value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes->append(char((value >> (8 * i)) & 0xFF));
}

inline void AppendBigEndian64(QByteArray *bytes, quint64 value)
{
    AppendBigEndian(bytes, quint32(value >> 32), 4);
    AppendBigEndian(bytes, quint32(value), 4);
}
