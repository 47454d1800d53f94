// SPDX-License-Identifier: MIT
#include "base/translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <QTranslator>
#include <QVector>

#include <algorithm>

namespace {

// A source text with placeholders, and how to find its filled-in forms.
struct Pattern
{
    const char *context;
    QString source;
    QRegularExpression filled; // the text with each placeholder a group
    QVector<int> numbers;      // the placeholder of each group
};

// The source texts met so far: made on any thread, shown on the window's.
struct Sources
{
    QMutex mutex;
    QHash<QString, const char *> contexts;
    QVector<Pattern> patterns; // the most specific first
};

Sources &Known()
{
    static Sources sources;
    return sources;
}

const QRegularExpression &Placeholder()
{
    static const QRegularExpression placeholder(QStringLiteral("%([1-9])"));
    return placeholder;
}

Pattern MakePattern(const char *context, const QString &source)
{
    Pattern pattern{context, source, {}, {}};
    QString expression = QStringLiteral("^");
    qsizetype done = 0;
    for (auto it = Placeholder().globalMatch(source); it.hasNext();) {
        const QRegularExpressionMatch found = it.next();
        expression += QRegularExpression::escape(source.mid(done, found.capturedStart() - done));
        expression += QStringLiteral("(.*?)");
        pattern.numbers << found.captured(1).toInt();
        done = found.capturedEnd();
    }
    expression += QRegularExpression::escape(source.mid(done)) + u'$';
    pattern.filled.setPattern(expression);
    pattern.filled.setPatternOptions(QRegularExpression::DotMatchesEverythingOption);
    return pattern;
}

// Literal text outside the placeholders: the more a pattern has, the surer its match.
qsizetype LiteralLength(const Pattern &pattern)
{
    return pattern.source.size() - 2 * pattern.numbers.size();
}

// The translated source with each placeholder replaced in one pass, so a
// value holding "%2" stays as it is.
QString Fill(const QString &translated, const QHash<int, QString> &values)
{
    QString result;
    qsizetype done = 0;
    for (auto it = Placeholder().globalMatch(translated); it.hasNext();) {
        const QRegularExpressionMatch found = it.next();
        result += translated.mid(done, found.capturedStart() - done);
        result += values.value(found.captured(1).toInt(), found.captured(0));
        done = found.capturedEnd();
    }
    return result + translated.mid(done);
}

QString Translate(const char *context, const QString &source)
{
    return QCoreApplication::translate(context, source.toUtf8().constData());
}

} // namespace

QString EnglishText(const char *context, const char *source)
{
    const QString text = QString::fromUtf8(source);
    Sources &known = Known();
    const QMutexLocker lock(&known.mutex);
    if (!known.contexts.contains(text)) {
        known.contexts.insert(text, context);
        Pattern pattern = MakePattern(context, text);
        if (!pattern.numbers.isEmpty() && LiteralLength(pattern) > 0) {
            const auto place = std::find_if(known.patterns.begin(), known.patterns.end(),
                                            [&pattern](const Pattern &other) {
                                                return LiteralLength(other) < LiteralLength(pattern);
                                            });
            known.patterns.insert(place, std::move(pattern));
        }
    }
    return text;
}

QString ShownText(const QString &english)
{
    QVector<Pattern> patterns;
    {
        Sources &known = Known();
        const QMutexLocker lock(&known.mutex);
        if (const char *context = known.contexts.value(english))
            return Translate(context, english);
        patterns = known.patterns;
    }
    for (const Pattern &pattern : std::as_const(patterns)) {
        const QRegularExpressionMatch match = pattern.filled.match(english);
        if (!match.hasMatch())
            continue;
        QHash<int, QString> values;
        for (int group = 0; group < pattern.numbers.size(); ++group)
            values.insert(pattern.numbers.at(group), ShownText(match.captured(group + 1)));
        return Fill(Translate(pattern.context, pattern.source), values);
    }
    // Marked for the catalogue but made as plain C text (the picture codecs').
    return Translate("Engine", english);
}

QString TranslationsFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/brisko/translations"));
}

bool LoadTranslations()
{
    // The system's locale reads LANGUAGE first, then LC_ALL, LC_MESSAGES and LANG.
    const QLocale locale = QLocale::system();
    const auto install = [&locale](const QString &name, const QString &folder) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(locale, name, QStringLiteral("_"), folder)
            && QCoreApplication::installTranslator(translator))
            return true;
        delete translator;
        return false;
    };
    // Qt's own: the buttons of message boxes, the file dialog.
    install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return install(QStringLiteral("brisko"), TranslationsFolder());
}
