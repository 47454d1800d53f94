// SPDX-License-Identifier: MIT
#include "window/widgets/clsopensave.h"

#include "base/briskoerror.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

clsOpenSave::Runner &CustomRunner()
{
    static clsOpenSave::Runner runner;
    return runner;
}

clsOpenSave::Answer RunQtDialog(const clsOpenSave::Request &request)
{
    QFileDialog dialog(request.owner, request.title, request.folder);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (request.save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else if (request.multiple)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else
        dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(request.nameFilters);
    if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
        dialog.selectNameFilter(request.nameFilters.at(request.filterIndex));
    if (!request.name.isEmpty())
        dialog.selectFile(request.name);
    dialog.setDefaultSuffix(request.defaultSuffix);

    clsOpenSave::Answer answer;
    answer.accepted = dialog.exec() == QDialog::Accepted;
    answer.files = dialog.selectedFiles();
    answer.filterIndex = qMax(0, int(request.nameFilters.indexOf(dialog.selectedNameFilter())));
    return answer;
}

// "Mp3 Files (*.mp3)|*.mp3" pairs as Qt's dialog wants them: the patterns,
// blank-separated, in brackets after the description.
QStringList NameFilters(const QString &stored)
{
    const QStringList parts = stored.split(QChar(0), Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        const QString patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts).join(u' ');
        const qsizetype bracket = description.lastIndexOf(u'(');
        if (bracket > 0)
            description = description.left(bracket).trimmed();
        filters << description + QStringLiteral(" (") + patterns + u')';
    }
    return filters;
}

} // namespace

QString clsOpenSave::Filter() const
{
    QString text = filter_;
    text.replace(QChar(0), u'|');
    for (int i = 0; i < 2 && text.endsWith(u'|'); ++i)
        text.chop(1);
    return text;
}

void clsOpenSave::SetFilter(const QString &filter)
{
    filter_ = filter;
    filter_.replace(u'|', QChar(0));
    for (int i = 0; i < 2 && !filter_.endsWith(QString(2, QChar(0))); ++i)
        filter_ += QChar(0);
}

void clsOpenSave::SetFileDialogRunner(Runner runner)
{
    CustomRunner() = std::move(runner);
}

void clsOpenSave::ShowOpen()
{
    Show(false);
}

void clsOpenSave::ShowSave()
{
    Show(true);
}

void clsOpenSave::Show(bool save)
{
    if (FileName.size() > MaxFileSize + 1)
        throw MakeError(ErrorNumber::InvalidArgument);

    Request request;
    request.owner = hwnd;
    request.save = save;
    request.title = DialogTitle;
    request.folder = InitDir;
    request.name = FileName;
    request.nameFilters = NameFilters(filter_);
    request.filterIndex = FilterIndex - 1;
    request.multiple = !save && (Flags & AllowMultiSelect);
    request.mustExist = Flags & FileMustExist;
    request.defaultSuffix = DefaultExt;
    const Answer answer = CustomRunner() ? CustomRunner()(request) : RunQtDialog(request);

    // Several names are the folder and the bare names, NUL-separated.
    QString chosen;
    if (answer.accepted && !answer.files.isEmpty()) {
        if (answer.files.size() == 1 || !(request.multiple && (Flags & Explorer))) {
            chosen = answer.files.first();
        } else {
            const QDir folder = QFileInfo(answer.files.first()).dir();
            chosen = QDir::cleanPath(folder.absolutePath());
            for (const QString &file : answer.files)
                chosen += QChar(0) + folder.relativeFilePath(file);
        }
    }
    // MaxFileSize sized a buffer the answer had to fit; Qt's dialog has none,
    // and dropping a large choice without a word would lose the user's pick.
    if (chosen.isEmpty()) {
        if (CancelError)
            throw MakeError(ErrorNumber::CancelSelected);
        return;
    }
    FileName = chosen.trimmed();
    FileTitle = QFileInfo(answer.files.first()).fileName();
    if (!save) {
        const qsizetype dot = FileName.lastIndexOf(u'.');
        FileExt = answer.files.size() == 1 && dot > FileName.lastIndexOf(u'/') ? qint16(dot + 1) : 0;
    }
    FilterIndex = qint16(answer.filterIndex + 1);
}
