// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The open-file dialog behind plain properties: set them, call ShowOpen, read
// FileName. With several files allowed, FileName is the folder followed, for
// each file, by a NUL character and the file's name.
class clsOpenSave
{
public:
    // Option bits callers pass in Flags.
    static constexpr qint32 HideReadOnly = 0x4;
    static constexpr qint32 AllowMultiSelect = 0x200;
    static constexpr qint32 FileMustExist = 0x1000;
    static constexpr qint32 Explorer = 0x80000;

    bool CancelError = false;
    QString DefaultExt;
    QString DialogTitle;
    QString FileName;
    QString FileTitle;
    qint16 FilterIndex = 1;
    qint32 Flags = 0;
    QString InitDir = QStringLiteral("C:\\");
    // The longest FileName a caller may set before showing the dialog; the
    // answer is never cut to it.
    qint16 MaxFileSize = 260;
    QWidget *hwnd = nullptr;
    qint16 FileExt = 0;

    // "Description|pattern;pattern|..." as written; stored NUL-separated.
    QString Filter() const;
    void SetFilter(const QString &filter);
    const QString &StoredFilter() const { return filter_; }

    // Shows the dialog modally. Nothing chosen: BriskoError 32755 "Cancel was
    // selected" when CancelError is set, else a quiet return; the properties
    // keep their values either way.
    void ShowOpen();
    void ShowSave();

    // What a dialog is asked and what it answers; tests answer through
    // SetFileDialogRunner instead of showing one.
    struct Request
    {
        QWidget *owner = nullptr;
        bool save = false;
        QString title;
        QString folder;
        QString name;
        QStringList nameFilters; // in the form "Mp3 Files (*.mp3)"
        int filterIndex = 0;     // 0-based
        bool multiple = false;
        bool mustExist = false;
        QString defaultSuffix;
    };
    struct Answer
    {
        bool accepted = false;
        QStringList files; // full paths
        int filterIndex = 0;
    };
    using Runner = std::function<Answer(const Request &)>;
    static void SetFileDialogRunner(Runner runner);

private:
    void Show(bool save);

    QString filter_ = QStringLiteral("All Files (*.*)") + QChar(0) + QStringLiteral("*.*") + QChar(0)
                      + QChar(0);
};
