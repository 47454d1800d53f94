// SPDX-License-Identifier: MIT
#include "engine/files/localpath.h"

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool IsEscape(char16_t unit)
{
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

// The length of the valid UTF-8 sequence at bytes[at], or 0 when there is none:
// no overlong forms, no encoded surrogates, nothing beyond U+10FFFF.
int ValidSequence(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&bytes](qsizetype i) { return quint8(bytes.at(i)); };
    const quint8 lead = byte(at);
    if (lead < 0x80)
        return 1;
    int length = 0;
    quint8 low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

QString PathFromBytes(const QByteArray &bytes)
{
    QString path;
    path.reserve(bytes.size());
    qsizetype run = 0; // start of the valid bytes not yet added
    qsizetype at = 0;
    while (at < bytes.size()) {
        const int length = ValidSequence(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        path += QString::fromUtf8(bytes.constData() + run, at - run);
        path += QChar(char16_t(EscapeBase + quint8(bytes.at(at))));
        run = ++at;
    }
    path += QString::fromUtf8(bytes.constData() + run, at - run);
    return path;
}

QByteArray BytesFromPath(const QString &path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path.at(i).unicode();
        // A lone low surrogate in the escape range; one of a pair is a character.
        const bool paired = i > 0 && QChar::isHighSurrogate(path.at(i - 1).unicode());
        if (!IsEscape(unit) || paired)
            continue;
        bytes += QStringView(path).mid(run, i - run).toUtf8();
        bytes += char(unit - EscapeBase);
        run = i + 1;
    }
    bytes += QStringView(path).mid(run).toUtf8();
    return bytes;
}

bool HasEscapedBytes(const QString &path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        const bool paired = i > 0 && QChar::isHighSurrogate(path.at(i - 1).unicode());
        if (IsEscape(path.at(i).unicode()) && !paired)
            return true;
    }
    return false;
}

QString ReadablePath(const QString &path)
{
    if (!HasEscapedBytes(path) && !path.contains(u'\\'))
        return path;
    QString readable;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path.at(i).unicode();
        const bool paired = i > 0 && QChar::isHighSurrogate(path.at(i - 1).unicode());
        if (IsEscape(unit) && !paired)
            readable += QStringLiteral("\\x%1").arg(unit - EscapeBase, 2, 16, QLatin1Char('0'));
        else if (unit == u'\\')
            readable += QStringLiteral("\\\\");
        else
            readable += path.at(i);
    }
    return readable;
}

QString FolderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QByteArray FolderOfName(const QByteArray &name)
{
    const qsizetype slash = name.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : name.left(slash);
}
