// SPDX-License-Identifier: MIT
#include "engine/files/replacegroup.h"

#include "base/tagerrors.h"
#include "engine/files/atomicsave.h"
#include "engine/files/savesteps.h"
#include "engine/files/sidefile.h"

#include <QSet>

#include <exception>

struct ReplaceGroup::Waiting
{
    QString path;
    std::unique_ptr<SideFile> copy;
    LockedFile original;
};

ReplaceGroup::ReplaceGroup(int most)
    : most_(most)
{
}

ReplaceGroup::~ReplaceGroup() = default;

Result<int> ReplaceGroup::Add(const FileRewrite &rewrite, LockedFile &&original)
{
    Result<std::unique_ptr<SideFile>> copy = MakeCheckedCopy(rewrite, original);
    if (!copy)
        return copy.Why();
    const int otherNames = int(original.State().st_nlink) - 1;
    waiting_.push_back(Waiting{rewrite.path, std::move(*copy), std::move(original)});
    return otherNames;
}

int ReplaceGroup::Count() const
{
    return int(waiting_.size());
}

std::vector<Result<int>> ReplaceGroup::Finish()
{
    std::vector<Result<int>> outcomes;
    outcomes.reserve(waiting_.size());
    QSet<QByteArray> folders;
    for (Waiting &file : waiting_) {
        // Whatever goes wrong with one file fails that file alone.
        try {
            outcomes.push_back(PutInPlace(*file.copy, file.path, file.original));
        } catch (const std::exception &error) {
            outcomes.push_back(Failure{TagLibraryError::WriteFailed, QString::fromLocal8Bit(error.what())});
        }
        if (outcomes.back())
            folders.insert(file.copy->Folder());
    }
    for (const QByteArray &folder : folders)
        FlushFolder(folder);
    // The originals' locks go only now, with their renames on disk; freeing
    // a replaced one need not hold up the next files.
    for (std::size_t i = 0; i < waiting_.size(); ++i) {
        if (outcomes.at(i))
            waiting_.at(i).original.CloseLater();
    }
    waiting_.clear();
    return outcomes;
}
