// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVector>

// The per-user settings: sections of keys holding text, kept in one INI file.
// Section and key names match without regard to letter case, and the file's
// other sections and keys are kept as they are when it is written again.
//
// A damaged or hostile file can do no harm: lines that are not understood are
// dropped, an oversized file is read as empty, and a save replaces the file
// in one step so a crash never leaves half of it.
class SettingsStore
{
public:
    // The file used when none is named: Brisko/Brisko.ini in the user's
    // configuration folder ($XDG_CONFIG_HOME, else ~/.config).
    static QString DefaultPath();

    explicit SettingsStore(QString path = DefaultPath());

    const QString &Path() const { return path_; }

    // The stored text, or fallback when the key is missing.
    QString Value(const QString &section, const QString &key, const QString &fallback) const;
    void SetValue(const QString &section, const QString &key, const QString &text);

    // Writes the file; false when it could not be written.
    bool Save() const;

private:
    struct Entry
    {
        QString key;
        QString text;
    };
    struct Section
    {
        QString name;
        QVector<Entry> entries;
    };

    void Load();
    const Entry *Find(const QString &section, const QString &key) const;

    QString path_;
    QVector<Section> sections_;
};

// Reads a stored truth value: "True" or "False" in any letter case, or a
// number (non-zero is true). Anything else sets *ok to false.
bool SettingToBool(const QString &text, bool *ok);
inline QString BoolToSetting(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
