// SPDX-License-Identifier: MIT
#include "base/textvalue.h"

#include <QByteArray>

#include <cmath>
#include <cstdlib>
#include <limits>

#include <locale.h>

namespace {

bool IsSkipped(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int DigitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int value = base;
    if (u >= '0' && u <= '9')
        value = u - '0';
    else if (u >= 'a' && u <= 'f')
        value = u - 'a' + 10;
    else if (u >= 'A' && u <= 'F')
        value = u - 'A' + 10;
    return value < base ? value : -1;
}

double ReadWhole(const QString &s, int from, int base)
{
    double value = 0;
    for (int i = from; i < s.size(); ++i) {
        const int digit = DigitValue(s.at(i), base);
        if (digit < 0)
            break;
        value = value * base + digit;
    }
    return value;
}

// strtod in the C locale, whatever locale the program runs in, so the decimal
// point is always ".": it rounds correctly and gives HUGE_VAL or 0 out of range.
double ParseDecimal(const QByteArray &ascii)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    return strtod_l(ascii.constData(), nullptr, cLocale);
}

template<typename Int>
Int RoundToInt(double value)
{
    if (std::isnan(value))
        return 0;
    // Halves to even, independent of the floating-point rounding mode.
    double rounded = std::round(value);
    if (std::fabs(value - std::trunc(value)) == 0.5)
        rounded = 2.0 * std::round(value / 2.0);
    if (rounded <= double(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    if (rounded >= double(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(rounded);
}

} // namespace

double TextValue(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (const QChar c : text) {
        if (!IsSkipped(c))
            s.append(c);
    }

    if (s.size() >= 2 && s.at(0) == QLatin1Char('&')) {
        const QChar kind = s.at(1).toUpper();
        if (kind == QLatin1Char('H'))
            return ReadWhole(s, 2, 16);
        if (kind == QLatin1Char('O'))
            return ReadWhole(s, 2, 8);
        return 0;
    }

    // Copy the longest run that forms a number, then let strtod read it.
    QByteArray number;
    int i = 0;
    const auto take = [&](QChar c) { number.append(char(c.unicode())); ++i; };
    const auto at = [&](int k) { return k < s.size() ? s.at(k) : QChar(); };

    if (at(i) == QLatin1Char('+') || at(i) == QLatin1Char('-'))
        take(at(i));
    int mantissaDigits = 0;
    while (IsDigit(at(i))) {
        take(at(i));
        ++mantissaDigits;
    }
    if (at(i) == QLatin1Char('.')) {
        take(at(i));
        while (IsDigit(at(i))) {
            take(at(i));
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return 0;

    const QChar e = at(i).toUpper();
    if (e == QLatin1Char('E') || e == QLatin1Char('D')) {
        int k = i + 1;
        if (at(k) == QLatin1Char('+') || at(k) == QLatin1Char('-'))
            ++k;
        if (IsDigit(at(k))) {
            number.append('e');
            for (int j = i + 1; j < k; ++j)
                number.append(char(s.at(j).unicode()));
            for (i = k; IsDigit(at(i)); ++i)
                number.append(char(s.at(i).unicode()));
        }
    }
    return ParseDecimal(number);
}

qint16 RoundToInt16(double value)
{
    return RoundToInt<qint16>(value);
}

qint32 RoundToInt32(double value)
{
    return RoundToInt<qint32>(value);
}
