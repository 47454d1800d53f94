// SPDX-License-Identifier: MIT
#include "engine/convert/settingsstore.h"

#include "base/textvalue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// A settings file is a few kilobytes; anything far larger is not ours.
constexpr qint64 MaxSettingsFileSize = 1024 * 1024;

// Values are single lines: line breaks (possible in file names) and the
// backslash that marks them are escaped.
QString Escape(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else if (c == u'\r')
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    return escaped;
}

QString Unescape(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            plain += c;
            continue;
        }
        const QChar next = text.at(++i);
        plain += next == u'n' ? QChar(u'\n') : next == u'r' ? QChar(u'\r') : next;
    }
    return plain;
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QString SettingsStore::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Brisko/Brisko.ini");
}

SettingsStore::SettingsStore(QString path)
    : path_(std::move(path))
{
    Load();
}

void SettingsStore::Load()
{
    // Only a regular file: a folder or a pipe put there must not stop the start.
    QFile file(path_);
    if (!QFileInfo(path_).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > MaxSettingsFileSize)
        return;
    const QString content = QString::fromUtf8(file.read(MaxSettingsFileSize));
    Section *current = nullptr;
    for (QStringView line : QStringView(content).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed().toString();
            current = nullptr;
            for (Section &section : sections_)
                if (SameName(section.name, name))
                    current = &section;
            if (!current) {
                sections_.append({name, {}});
                current = &sections_.last();
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed().toString();
        if (key.isEmpty())
            continue;
        const QString text = Unescape(line.mid(equals + 1).toString());
        bool replaced = false;
        for (Entry &entry : current->entries)
            if (SameName(entry.key, key)) {
                entry.text = text; // the last of repeated keys counts
                replaced = true;
            }
        if (!replaced)
            current->entries.append({key, text});
    }
}

const SettingsStore::Entry *SettingsStore::Find(const QString &section, const QString &key) const
{
    for (const Section &s : sections_) {
        if (!SameName(s.name, section))
            continue;
        for (const Entry &entry : s.entries)
            if (SameName(entry.key, key))
                return &entry;
    }
    return nullptr;
}

QString SettingsStore::Value(const QString &section, const QString &key,
                             const QString &fallback) const
{
    const Entry *entry = Find(section, key);
    return entry ? entry->text : fallback;
}

void SettingsStore::SetValue(const QString &section, const QString &key, const QString &text)
{
    if (Entry *entry = const_cast<Entry *>(Find(section, key))) {
        entry->text = text;
        return;
    }
    for (Section &s : sections_)
        if (SameName(s.name, section)) {
            s.entries.append({key, text});
            return;
        }
    sections_.append({section, {{key, text}}});
}

bool SettingsStore::Save() const
{
    QString content;
    for (const Section &section : sections_) {
        if (!content.isEmpty())
            content += u'\n';
        content += u'[' + section.name + QStringLiteral("]\n");
        for (const Entry &entry : section.entries)
            content += entry.key + u'=' + Escape(entry.text) + u'\n';
    }
    if (!QDir().mkpath(QFileInfo(path_).absolutePath()))
        return false;
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(content.toUtf8());
    return file.commit();
}

bool SettingToBool(const QString &text, bool *ok)
{
    const QString trimmed = text.trimmed();
    *ok = true;
    if (SameName(trimmed, QStringLiteral("True")))
        return true;
    if (SameName(trimmed, QStringLiteral("False")))
        return false;
    // A number: some digit must be there, else the text is not a truth value.
    for (const QChar c : trimmed)
        if (c.isDigit())
            return TextValue(trimmed) != 0;
    *ok = false;
    return false;
}
