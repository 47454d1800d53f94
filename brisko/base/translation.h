// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The program speaks the user's language: its catalogue and Qt's own are
// loaded at start. Texts that are also logged or printed for programs (the
// error log, brisko-batch's JSON) stay in English where they are made, and
// are put in the user's language only where a person reads them.

// The English source text, as the catalogue knows it under context. The
// catalogue tools find it by this function's name, as QT_TRANSLATE_NOOP.
// Fill in the placeholders with arg() as usual.
QString EnglishText(const char *context, const char *source);

// Such a text in the user's language: a source text, or one whose
// placeholders were filled in (the values are shown the same way). Any
// other text comes back as it is.
QString ShownText(const QString &english);

// Installs the program's catalogue and Qt's own for the user's language
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG). The program's are looked for in
// ../share/brisko/translations beside the executable, in a build as when
// installed. True when the program's catalogue for that language was found.
bool LoadTranslations();
// Where the program's catalogues are.
QString TranslationsFolder();
