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

} // namespace

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
        else if (hasValue)
            error = QCoreApplication::translate("Batch", "unknown option %1").arg(argument);
        else if (name == QLatin1String("--skip-smaller"))
            options->skipSmaller = true;
        else if (name == QLatin1String("--enlarge"))
            options->enlarge = true;
        else if (name == QLatin1String("--force"))
            options->force = true;
        else if (name == QLatin1String("--all-pictures"))
            options->allPictures = true;
        else if (name == QLatin1String("--dry-run") || name == QLatin1String("-n"))
            options->dryRun = true;
        else if (name == QLatin1String("--json"))
            options->json = true;
        else if (name == QLatin1String("--help") || name == QLatin1String("-h"))
            options->help = true;
        else if (name == QLatin1String("--version"))
            options->version = true;
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
        "  --jobs N        files converted at once (default: one per core)\n"
        "  --dry-run       tell what would change, write nothing\n"
        "  --json          one JSON object per file on standard output\n"
        "  --help          this text\n"
        "  --version       the version\n"
        "\n"
        "Music files:\n"
        "%1"
        "\n"
        "Exit status: 0 when no file failed, 1 when some did, 2 for a usage error,\n"
        "130 when stopped by Ctrl-C (143 by SIGTERM, 141 when the output was closed).\n")
        .arg(MusicFormatLines());
}
