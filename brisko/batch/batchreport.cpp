// SPDX-License-Identifier: MIT
#include "batch/batchreport.h"

#include "base/translation.h"
#include "engine/files/localpath.h"
#include "engine/convert/statuses.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace {

QString Duration(double seconds)
{
    const qint64 whole = qint64(seconds + 0.5);
    if (whole >= 3600)
        return QString::asprintf("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return QString::asprintf("%lld:%02lld", whole / 60, whole % 60);
}

// A line of the summary table: the words left, the number right. Padded by
// characters, so that words with umlauts line up too.
QString TableLine(const QString &words, const QString &number)
{
    return words.leftJustified(20) + u' ' + number.rightJustified(8) + u'\n';
}

QString Size(QSize size)
{
    return size.isValid() ? SizeText(size.width(), size.height()) : QString();
}

} // namespace

BatchReport::BatchReport(int total, const BatchOptions &options, std::FILE *human, bool interactive,
                         std::FILE *json)
    : total_(total)
    , options_(options)
    , human_(human)
    , interactive_(interactive)
    , json_(json)
{
    clock_.start();
}

QByteArray BatchReport::JsonLine(const BatchResult &result, bool dryRun)
{
    // The exact name, which a JSON reader gets back as it is; only a name
    // that is not UTF-8 has no exact text and comes readable, with its bytes.
    const bool exact = !HasEscapedBytes(result.path);
    QJsonObject object{{QStringLiteral("file"), exact ? result.path : ReadablePath(result.path)},
                       {QStringLiteral("status"), result.status},
                       {QStringLiteral("failed"), result.failed},
                       {QStringLiteral("dry_run"), dryRun},
                       {QStringLiteral("bytes_before"), double(result.bytesBefore)},
                       {QStringLiteral("bytes_after"), double(result.bytesAfter)}};
    if (result.oldSize.isValid())
        object.insert(QStringLiteral("original_size"), Size(result.oldSize));
    if (result.newSize.isValid())
        object.insert(QStringLiteral("new_size"), Size(result.newSize));
    if (result.quality > 0)
        object.insert(QStringLiteral("quality"), result.quality);
    if (!result.error.isEmpty())
        object.insert(QStringLiteral("error"), result.error);
    if (!result.notes.isEmpty())
        object.insert(QStringLiteral("note"), result.notes.join(QStringLiteral("; ")));
    if (!exact)
        object.insert(QStringLiteral("file_bytes"), QString::fromLatin1(BytesFromPath(result.path).toBase64()));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void BatchReport::ClearProgress()
{
    if (progressShown_) {
        std::fputs("\r\033[K", human_);
        progressShown_ = false;
    }
}

void BatchReport::Add(const BatchResult &result)
{
    ++done_;
    ++counts_[result.status];
    bytesBefore_ += result.bytesBefore;
    bytesAfter_ += result.bytesAfter;
    failures_ += result.failed;
    if (result.failed || !result.notes.isEmpty()) {
        ClearProgress();
        QStringList why;
        for (const QString &text : result.failed ? QStringList{result.error} : result.notes)
            why << ShownText(text);
        why.removeAll(QString());
        const QString file = ReadablePath(result.path);
        const QString status = ShownText(result.status);
        Print(human_, why.isEmpty() ? QCoreApplication::translate("Batch", "%1: %2\n").arg(file, status)
                                    : QCoreApplication::translate("Batch", "%1: %2 - %3\n")
                                          .arg(file, status, why.join(QStringLiteral("; "))));
    }
    if (json_)
        Print(json_, QString::fromUtf8(JsonLine(result, options_.dryRun)) + u'\n');
}

void BatchReport::Print(std::FILE *to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    // A reader that went away (a pipe into "head") is a request to stop.
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to) != size_t(bytes.size())
        || std::fflush(to) != 0)
        outputClosed_ = true;
}

void BatchReport::Tick()
{
    if (!interactive_)
        return;
    const qint64 now = clock_.elapsed();
    if (lastDrawn_ >= 0 && now - lastDrawn_ < 200 && done_ < total_)
        return;
    lastDrawn_ = now;
    const double seconds = now / 1000.0;
    const double rate = seconds > 0 ? done_ / seconds : 0;
    const QString left = QCoreApplication::translate("Batch", "%1 left")
                             .arg(rate > 0 ? Duration((total_ - done_) / rate) : QStringLiteral("--:--"));
    Print(human_, QStringLiteral("\r\033[K")
                      + QCoreApplication::translate("Batch", "%1/%2 files  %3 files/s  %4")
                            .arg(done_)
                            .arg(total_)
                            .arg(QLocale().toString(rate, 'f', 1))
                            .arg(left));
    progressShown_ = true;
}

void BatchReport::Finish(bool interrupted)
{
    ClearProgress();
    const double seconds = clock_.elapsed() / 1000.0;
    QString text;
    if (interrupted)
        text += QCoreApplication::translate("Batch", "Stopped: %1 of %2 files done, nothing else written.\n")
                    .arg(done_)
                    .arg(total_);
    text += TableLine(options_.dryRun ? QCoreApplication::translate("Batch", "Status (dry run)")
                                      : QCoreApplication::translate("Batch", "Status"),
                      QCoreApplication::translate("Batch", "Files"));
    // In the order of the words shown.
    QMap<QString, int> shown;
    for (auto it = counts_.cbegin(); it != counts_.cend(); ++it)
        shown.insert(ShownText(it.key()), it.value());
    for (auto it = shown.cbegin(); it != shown.cend(); ++it)
        text += TableLine(it.key(), QString::number(it.value()));
    text += TableLine(QCoreApplication::translate("Batch", "Total"), QString::number(done_));
    text += QCoreApplication::translate("Batch", "Bytes saved: %1 (%2 to %3) in %4, %5 files/s\n")
                .arg(bytesBefore_ - bytesAfter_)
                .arg(FormatSize(float(bytesBefore_)), FormatSize(float(bytesAfter_)), Duration(seconds),
                     QLocale().toString(seconds > 0 ? done_ / seconds : 0.0, 'f', 1));
    Print(human_, text);
}
