// SPDX-License-Identifier: MIT
#include "base/genrefromid.h"

#include <QRegularExpression>

#include <cmath>

const QStringList &GenreTable()
{
    static const QStringList names = {
        QStringLiteral("Blues"), QStringLiteral("Classic Rock"), QStringLiteral("Country"),
        QStringLiteral("Dance"), QStringLiteral("Disco"), QStringLiteral("Funk"),
        QStringLiteral("Grunge"), QStringLiteral("Hip-Hop"), QStringLiteral("Jazz"),
        QStringLiteral("Metal"), QStringLiteral("New Age"), QStringLiteral("Oldies"),
        QStringLiteral("Other"), QStringLiteral("Pop"), QStringLiteral("R&B"),
        QStringLiteral("Rap"), QStringLiteral("Reggae"), QStringLiteral("Rock"),
        QStringLiteral("Techno"), QStringLiteral("Industrial"), QStringLiteral("Alternative"),
        QStringLiteral("Ska"), QStringLiteral("Death Metal"), QStringLiteral("Pranks"),
        QStringLiteral("Soundtrack"), QStringLiteral("Euro-Techno"), QStringLiteral("Ambient"),
        QStringLiteral("Trip-Hop"), QStringLiteral("Vocal"), QStringLiteral("Jazz+Funk"),
        QStringLiteral("Fusion"), QStringLiteral("Trance"), QStringLiteral("Classical"),
        QStringLiteral("Instrumental"), QStringLiteral("Acid"), QStringLiteral("House"),
        QStringLiteral("Game"), QStringLiteral("Sound Clip"), QStringLiteral("Gospel"),
        QStringLiteral("Noise"), QStringLiteral("Alt Rock"), QStringLiteral("Bass"),
        QStringLiteral("Soul"), QStringLiteral("Punk"), QStringLiteral("Space"),
        QStringLiteral("Meditative"), QStringLiteral("Instrumental Pop"),
        QStringLiteral("Instrumental Rock"), QStringLiteral("Ethnic"), QStringLiteral("Gothic"),
        QStringLiteral("Darkwave"), QStringLiteral("Techno-Indistrial"),
        QStringLiteral("Electronic"), QStringLiteral("Pop-Folk"), QStringLiteral("Eurodance"),
        QStringLiteral("Dream"), QStringLiteral("Southern Rock"), QStringLiteral("Comedy"),
        QStringLiteral("Cult"), QStringLiteral("Gansta"), QStringLiteral("Top 40"),
        QStringLiteral("Christian Rap"), QStringLiteral("Pop/Funk"), QStringLiteral("Jungle"),
        QStringLiteral("Native American"), QStringLiteral("Cabaret"), QStringLiteral("New Wave"),
        QStringLiteral("Psychaledic"), QStringLiteral("Rave"), QStringLiteral("Showtunes"),
        QStringLiteral("Trailer"), QStringLiteral("Lo-Fi"), QStringLiteral("Tribal"),
        QStringLiteral("Acid Punk"), QStringLiteral("Acid Jazz"), QStringLiteral("Polka"),
        QStringLiteral("Retro"), QStringLiteral("Musical"), QStringLiteral("Rock & Roll"),
        QStringLiteral("Hard Rock"), QStringLiteral("Folk"), QStringLiteral("Folk-Rock"),
        QStringLiteral("National Folk"), QStringLiteral("Swing"), QStringLiteral("Fast Fusion"),
        QStringLiteral("Bebop"), QStringLiteral("Latin"), QStringLiteral("Revival"),
        QStringLiteral("Celtic"), QStringLiteral("Bluegrass"), QStringLiteral("Avantgarde"),
        QStringLiteral("Gothic Rock"), QStringLiteral("Progressive Rock"),
        QStringLiteral("Psychadelic Rock"), QStringLiteral("Symphonic Rock"),
        QStringLiteral("Slow Rock"), QStringLiteral("Big Band"), QStringLiteral("Chorus"),
        QStringLiteral("Easy Listening"), QStringLiteral("Acoustic"), QStringLiteral("Humour"),
        QStringLiteral("Speech"), QStringLiteral("Chanson"), QStringLiteral("Opera"),
        QStringLiteral("Chamber Music"), QStringLiteral("Sonata"), QStringLiteral("Symphony"),
        QStringLiteral("Booty Bass"), QStringLiteral("Primus"), QStringLiteral("Porn Groove"),
        QStringLiteral("Satire"), QStringLiteral("Slow Jam"), QStringLiteral("Club"),
        QStringLiteral("Tango"), QStringLiteral("Samba"), QStringLiteral("Folklore"),
        QStringLiteral("Ballad"), QStringLiteral("Power Ballad"), QStringLiteral("Rhythmic Soul"),
        QStringLiteral("Freestyle"), QStringLiteral("Duet"), QStringLiteral("Punk Rock"),
        QStringLiteral("Drum Solo"), QStringLiteral("A Capella"), QStringLiteral("Euro-House"),
        QStringLiteral("Dance Hall"), QStringLiteral("Goa"), QStringLiteral("Drum & Bass"),
        QStringLiteral("Club-House"), QStringLiteral("Hardcore"), QStringLiteral("Terror"),
        QStringLiteral("Indie"), QStringLiteral("BritPop"), QStringLiteral("Negerpunk"),
        QStringLiteral("Polsk Punk"), QStringLiteral("Beat"),
        QStringLiteral("Christian Gangsta Rap"), QStringLiteral("Heavy Metal"),
        QStringLiteral("Black Metal"), QStringLiteral("Crossover"),
        QStringLiteral("Contemporary Christian"), QStringLiteral("Christian Rock"),
        QStringLiteral("Merengue"), QStringLiteral("Salsa"), QStringLiteral("Trash Metal"),
    };
    return names;
}

namespace {

// Plain decimal numbers only, with blanks around them: "17", " 17 ", "17.0",
// "-1", "+3", ".5". Thousands separators and exponents are names, not numbers.
bool ReadNumber(const QString &text, double *value)
{
    static const QRegularExpression plainNumber(
        QStringLiteral("^[ \\t]*([+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+))[ \\t]*$"));
    const QRegularExpressionMatch match = plainNumber.match(text);
    if (!match.hasMatch())
        return false;
    bool ok = false;
    *value = match.captured(1).toDouble(&ok);
    return ok;
}

bool BeginsWord(QChar previous)
{
    switch (previous.unicode()) {
    case ' ': case '\t': case '\n': case '\v': case '\f': case '\r': case '\0':
        return true;
    default:
        return false;
    }
}

QString ProperCase(const QString &text)
{
    QString result = text;
    QChar previous = QLatin1Char(' ');
    for (QChar &c : result) {
        const QChar original = c;
        c = BeginsWord(previous) ? c.toUpper() : c.toLower();
        previous = original;
    }
    return result;
}

} // namespace

QString GenreFromID(const QString &text)
{
    QString genre = text;
    if (genre.startsWith(QLatin1Char('('))) {
        const int close = genre.indexOf(QLatin1Char(')'));
        if (close > 0)
            genre = genre.mid(1, close - 1);
    }

    double number = 0;
    if (ReadNumber(genre, &number)) {
        const QStringList &names = GenreTable();
        if (number >= 0 && number < names.size() && number == std::floor(number))
            return names.at(int(number));
        return QString();
    }
    return ProperCase(genre);
}
