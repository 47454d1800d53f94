// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// The program's 145 genre names, numbered 0 to 144 as ID3 numbers them.
// Some spellings look odd; they are the names users have always seen here.
const QStringList &GenreTable();

// The genre name shown for a genre text read from a tag: "(17)Rock", "(17)"
// and "17" give the name of number 17, a number without a name gives "", and
// any other text comes back with every word capitalised ("hip hop" gives
// "Hip Hop").
QString GenreFromID(const QString &text);
