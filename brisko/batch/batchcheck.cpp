// SPDX-License-Identifier: MIT
#include "batch/batchcheck.h"

#include "base/translation.h"
#include "engine/convert/folderart.h"
#include "engine/convert/statuses.h"
#include "engine/files/localpath.h"
#include "engine/tags/taglibrary.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace {

// False when no one reads the output any more.
bool Print(std::FILE *to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to) == size_t(bytes.size()) && std::fflush(to) == 0;
}

QString TableLine(const QString &words, const QString &number)
{
    return words.leftJustified(40) + u' ' + number.rightJustified(8) + u'\n';
}

} // namespace

QByteArray CheckJsonLine(const QString &path, const ArtCheck &check)
{
    const bool exact = !HasEscapedBytes(path);
    QJsonArray types;
    for (const short type : check.types)
        types.append(type);
    QJsonObject object{{QStringLiteral("file"), exact ? path : ReadablePath(path)},
                       {QStringLiteral("ready"), check.reasons.isEmpty()},
                       {QStringLiteral("reasons"), QJsonArray::fromStringList(check.reasons)},
                       {QStringLiteral("pictures"), check.pictures},
                       {QStringLiteral("picture_types"), types},
                       {QStringLiteral("tag_bytes"), double(check.tagBytes)}};
    if (check.pictures > 0) {
        object.insert(QStringLiteral("picture_bytes"), double(check.pictureBytes));
        object.insert(QStringLiteral("format"), check.format);
    }
    if (check.size.isValid()) {
        object.insert(QStringLiteral("pixel_size"), SizeText(check.size.width(), check.size.height()));
        object.insert(QStringLiteral("progressive"), check.progressive);
    }
    if (!check.colours.isEmpty())
        object.insert(QStringLiteral("colour_space"), check.colours);
    if (!check.problem.isEmpty())
        object.insert(QStringLiteral("error"), check.problem);
    if (!exact)
        object.insert(QStringLiteral("file_bytes"), QString::fromLatin1(BytesFromPath(path).toBase64()));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

int RunCheck(const QList<BatchFile> &files, const BatchOptions &options, const std::atomic<bool> &stop,
             std::FILE *human, std::FILE *json)
{
    TagLibrary tags;
    FolderArt folderArt;
    const CheckRules rules{options.size, options.maxBytes, &folderArt};
    QMap<QString, int> counts;
    int done = 0;
    int notReady = 0;
    for (const BatchFile &file : files) {
        if (stop)
            break;
        const ArtCheck check = CheckArt(tags, file.path, rules);
        ++done;
        for (const QString &reason : check.reasons)
            ++counts[reason];
        if (!check.reasons.isEmpty()) {
            ++notReady;
            QStringList why;
            for (const QString &reason : check.reasons)
                why << ShownText(reason);
            if (!check.problem.isEmpty())
                why << ShownText(check.problem);
            if (!Print(human, QCoreApplication::translate("Batch", "%1: %2\n")
                                  .arg(ReadablePath(file.path), why.join(QStringLiteral("; ")))))
                return -1;
        }
        if (json && !Print(json, QString::fromUtf8(CheckJsonLine(file.path, check)) + u'\n'))
            return -1;
    }

    QString table = TableLine(QCoreApplication::translate("Batch", "Why players may not show the art"),
                              QCoreApplication::translate("Batch", "Files"));
    // In the order the reasons are given.
    for (const QString &reason : CheckReasons()) {
        if (counts.contains(reason))
            table += TableLine(ShownText(reason), QString::number(counts.value(reason)));
    }
    table += TableLine(QCoreApplication::translate("Batch", "Ready"), QString::number(done - notReady));
    table += TableLine(QCoreApplication::translate("Batch", "Total"), QString::number(done));
    return Print(human, table) ? notReady : -1;
}
