// SPDX-License-Identifier: MIT
#include "batch/batchreport.h"

#include "engine/localpath.h"
#include "engine/statuses.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString Duration(double seconds)
{
    const qint64 whole = qint64(seconds + 0.5);
    if (whole >= 3600)
        return QString::asprintf("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return QString::asprintf("%lld:%02lld", whole / 60, whole % 60);
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
    QJsonObject object{{QStringLiteral("file"), ReadablePath(result.path)},
                       {QStringLiteral("status"), result.status},
                       {QStringLiteral("failed"), result.failed},
                       {QStringLiteral("dry_run"), dryRun},
                       {QStringLiteral("bytes_before"), double(result.bytesBefore)},
                       {QStringLiteral("bytes_after"), double(result.bytesAfter)}};
    if (result.oldSize.isValid())
        object.insert(QStringLiteral("original_size"), Size(result.oldSize));
    if (result.newSize.isValid())
        object.insert(QStringLiteral("new_size"), Size(result.newSize));
    if (!result.error.isEmpty())
        object.insert(QStringLiteral("error"), result.error);
    if (!result.note.isEmpty())
        object.insert(QStringLiteral("note"), result.note);
    // JSON holds text only: a name that is not UTF-8 also comes as its bytes.
    if (HasEscapedBytes(result.path))
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
    if (result.failed || !result.note.isEmpty()) {
        ClearProgress();
        const QString &why = result.failed ? result.error : result.note;
        Print(human_, ReadablePath(result.path) + QStringLiteral(": ") + result.status
                          + (why.isEmpty() ? QString() : QStringLiteral(" - ") + why) + u'\n');
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
    const QString left = rate > 0 ? Duration((total_ - done_) / rate) + QStringLiteral(" left")
                                  : QStringLiteral("--:-- left");
    Print(human_, QStringLiteral("\r\033[K%1/%2 files  %3 files/s  %4")
                      .arg(done_)
                      .arg(total_)
                      .arg(rate, 0, 'f', 1)
                      .arg(left));
    progressShown_ = true;
}

void BatchReport::Finish(bool interrupted)
{
    ClearProgress();
    const double seconds = clock_.elapsed() / 1000.0;
    if (interrupted)
        std::fprintf(human_, "Stopped: %d of %d files done, nothing else written.\n", done_, total_);
    std::fprintf(human_, "%-20s %8s\n", options_.dryRun ? "Status (dry run)" : "Status", "Files");
    for (auto it = counts_.cbegin(); it != counts_.cend(); ++it)
        std::fprintf(human_, "%-20s %8d\n", qPrintable(it.key()), it.value());
    std::fprintf(human_, "%-20s %8d\n", "Total", done_);
    const qint64 saved = bytesBefore_ - bytesAfter_;
    std::fprintf(human_, "Bytes saved: %lld (%s to %s) in %s, %.1f files/s\n", saved,
                 qPrintable(FormatSize(float(bytesBefore_))), qPrintable(FormatSize(float(bytesAfter_))),
                 qPrintable(Duration(seconds)), seconds > 0 ? done_ / seconds : 0.0);
    std::fflush(human_);
}
