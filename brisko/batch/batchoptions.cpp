// SPDX-License-Identifier: MIT
#include "batch/batchoptions.h"

#include "base/textvalue.h"
#include "engine/convert/cmdline.h"
#include "engine/convert/settingsstore.h"
#include "engine/tags/tagformats.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace {

// A whole number, or nothing at all.
bool ReadNumber(const QString &text, int *value)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (ok)
        *value = number;
    return ok;
}

// The options that take no value, and what each turns on.
struct Switch
{
    const char *name;
    bool BatchOptions::*set;
};
constexpr Switch Switches[] = {
    {"--skip-smaller", &BatchOptions::skipSmaller},
    {"--enlarge", &BatchOptions::enlarge},
    {"--force", &BatchOptions::force},
    {"--all-pictures", &BatchOptions::allPictures},
    {"--front-cover-first", &BatchOptions::frontCoverFirst},
    {"--folder-art", &BatchOptions::folderArt},
    {"--check", &BatchOptions::check},
    {"--dry-run", &BatchOptions::dryRun},
    {"-n", &BatchOptions::dryRun},
    {"--json", &BatchOptions::json},
    {"--help", &BatchOptions::help},
    {"-h", &BatchOptions::help},
    {"--version", &BatchOptions::version},
};

bool BatchOptions::*SwitchNamed(const QString &name)
{
    for (const Switch &option : Switches) {
        if (name == QLatin1String(option.name))
            return option.set;
    }
    return nullptr;
}

} // namespace

std::optional<qint64> ReadByteCount(const QString &text)
{
    QString digits = text.trimmed().toUpper();
    qint64 unit = 1;
    if (digits.endsWith(u'K'))
        unit = 1024;
    else if (digits.endsWith(u'M'))
        unit = 1024 * 1024;
    if (unit > 1)
        digits.chop(1);
    bool ok = false;
    const qint64 count = digits.toLongLong(&ok);
    // Beyond a few gigabytes no picture is; the bound keeps the product in range.
    if (!ok || count < 0 || count > (qint64(1) << 40) / unit || digits.startsWith(u'+'))
        return std::nullopt;
    return count * unit;
}

BatchOptions DefaultBatchOptions()
{
    BatchOptions options;
    const SettingsStore store;
    const auto stored = [&store](const char *key, const char *fallback) {
        return RoundToInt16(TextValue(
            store.Value(QStringLiteral("Config"), QLatin1String(key), QLatin1String(fallback))));
    };
    const ResizeSwitches bounded = ReadResizeSwitches(QString(), stored("Size", "250"), stored("Quality", "80"));
    options.size = bounded.targetSize;
    options.quality = bounded.quality;
    const double kilobytes = TextValue(store.Value(QStringLiteral("Config"), QStringLiteral("LargestPictureKB"),
                                                   QStringLiteral("0")));
    options.maxBytes = kilobytes >= 1 && kilobytes <= MaxLargestPictureKB ? qint64(kilobytes) * 1024 : 0;
    options.jobs = qMax(1, QThread::idealThreadCount());
    return options;
}

QString ParseBatchOptions(const QStringList &arguments, const BatchOptions &defaults,
                          BatchOptions *options)
{
    *options = defaults;
    bool onlyPaths = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (onlyPaths || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            options->paths << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            onlyPaths = true;
            continue;
        }
        // "--size 300" and "--size=300" alike.
        QString name = argument;
        QString value;
        bool hasValue = false;
        const qsizetype equals = argument.indexOf(u'=');
        if (equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
            hasValue = true;
        }
        const auto takeNumber = [&](int *target, int low, int high) -> QString {
            if (!hasValue) {
                if (i + 1 >= arguments.size())
                    return QCoreApplication::translate("Batch", "%1 needs a number").arg(name);
                value = arguments.at(++i);
            }
            int number = 0;
            if (!ReadNumber(value, &number))
                return QCoreApplication::translate("Batch", "%1 needs a whole number, not \"%2\"")
                    .arg(name, value);
            *target = std::clamp(number, low, high);
            return QString();
        };
        QString error;
        if (name == QLatin1String("--size"))
            error = takeNumber(&options->size, 100, 1000);
        else if (name == QLatin1String("--quality"))
            error = takeNumber(&options->quality, 50, 100);
        else if (name == QLatin1String("--jobs") || name == QLatin1String("-j"))
            error = takeNumber(&options->jobs, 1, 256);
        else if (name == QLatin1String("--max-bytes")) {
            if (!hasValue && i + 1 < arguments.size())
                value = arguments.at(++i);
            else if (!hasValue)
                return QCoreApplication::translate("Batch", "%1 needs a number").arg(name);
            const std::optional<qint64> bytes = ReadByteCount(value);
            if (!bytes)
                return QCoreApplication::translate("Batch", "%1 needs a number of bytes, with K or M after it "
                                                            "for kilobytes or megabytes, not \"%2\"")
                    .arg(name, value);
            options->maxBytes = *bytes;
        }
        else if (hasValue)
            error = QCoreApplication::translate("Batch", "unknown option %1").arg(argument);
        else if (bool BatchOptions::*const set = SwitchNamed(name))
            options->*set = true;
        else
            error = QCoreApplication::translate("Batch", "unknown option %1").arg(argument);
        if (!error.isEmpty())
            return error;
    }
    if (options->paths.isEmpty() && !options->help && !options->version)
        return QCoreApplication::translate("Batch", "no file or folder given");
    return QString();
}

QString BatchUsage()
{
    return QCoreApplication::translate(
        "Batch",
        "Usage: brisko-batch [options] PATH...\n"
        "Shrinks the album art of music files: picture 1 of each file becomes a\n"
        "baseline JPEG whose longer side is the size. Folders are searched with\n"
        "their subfolders for the music files named as below.\n"
        "\n"
        "  --size N        longer side in pixels, 100 to 1000 (default: the desktop\n"
        "                  program's setting, else 250)\n"
        "  --quality N     JPEG quality, 50 to 100 (default: its setting, else 80)\n"
        "  --skip-smaller  leave pictures alone whose both sides are within the size\n"
        "  --enlarge       let smaller pictures grow to the size (they keep theirs)\n"
        "  --force         convert again a picture already a baseline JPEG within\n"
        "                  the size (such files are left alone, \"Unchanged\")\n"
        "  --all-pictures  every picture larger than the size, not only picture 1\n"
        "  --max-bytes N   no new picture longer than N bytes (K and M for kilobytes\n"
        "                  and megabytes, 0 for no limit; default: its setting):\n"
        "                  the quality steps down to 50, then the size to 100 pixels\n"
        "  --front-cover-first  move a front cover that is not picture 1 ahead of\n"
        "                  the others, and convert it\n"
        "  --folder-art    give a file without a picture its folder's cover.jpg,\n"
        "                  folder.jpg, front.jpg or album.jpg (.jpeg and .png too)\n"
        "  --check         write nothing: list the files whose art a player may not\n"
        "                  show well, and why (with --json, the facts of each file)\n"
        "  --jobs N        files converted or checked at once (default: one per core)\n"
        "  --dry-run       tell what would change, write nothing\n"
        "  --json          one JSON object per file on standard output\n"
        "  --help          this text\n"
        "  --version       the version\n"
        "\n"
        "Music files:\n"
        "%1"
        "\n"
        "Exit status: 0 when no file failed (with --check: when every file is ready),\n"
        "1 when some did (were not), 2 for a usage error,\n"
        "130 when stopped by Ctrl-C (143 by SIGTERM, 141 when the output was closed).\n")
        .arg(MusicFormatLines());
}
