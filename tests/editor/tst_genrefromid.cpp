// SPDX-License-Identifier: MIT
#include "base/genrefromid.h"

#include <QtTest>

class TestGenreFromID : public QObject
{
    Q_OBJECT

private slots:
    void table();
    void genreText_data();
    void genreText();
};

void TestGenreFromID::table()
{
    const QStringList &names = GenreTable();
    QCOMPARE(names.size(), 145);
    QCOMPARE(names.at(0), QStringLiteral("Blues"));
    QCOMPARE(names.at(14), QStringLiteral("R&B"));
    QCOMPARE(names.at(51), QStringLiteral("Techno-Indistrial"));
    QCOMPARE(names.at(54), QStringLiteral("Eurodance"));
    QCOMPARE(names.at(59), QStringLiteral("Gansta"));
    QCOMPARE(names.at(67), QStringLiteral("Psychaledic"));
    QCOMPARE(names.at(93), QStringLiteral("Psychadelic Rock"));
    QCOMPARE(names.at(100), QStringLiteral("Humour"));
    QCOMPARE(names.at(124), QStringLiteral("Euro-House"));
    QCOMPARE(names.at(133), QStringLiteral("Negerpunk"));
    QCOMPARE(names.at(136), QStringLiteral("Christian Gangsta Rap"));
    QCOMPARE(names.at(144), QStringLiteral("Trash Metal"));
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 145);
}

void TestGenreFromID::genreText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("genre");

    const QString rock = QStringLiteral("Rock");
    QTest::newRow("number") << QStringLiteral("17") << rock;
    QTest::newRow("in parentheses") << QStringLiteral("(17)") << rock;
    QTest::newRow("refinement dropped") << QStringLiteral("(17)Rock") << rock;
    QTest::newRow("anything after the first )") << QStringLiteral("(17)(9)Metal") << rock;
    QTest::newRow("blanks around") << QStringLiteral("  17 ") << rock;
    QTest::newRow("blanks inside parentheses") << QStringLiteral("( 17 )") << rock;
    QTest::newRow("decimal zero") << QStringLiteral("17.0") << rock;
    QTest::newRow("plus sign") << QStringLiteral("+17") << rock;
    QTest::newRow("first") << QStringLiteral("0") << QStringLiteral("Blues");
    QTest::newRow("last") << QStringLiteral("144") << QStringLiteral("Trash Metal");
    QTest::newRow("leading zeros") << QStringLiteral("007") << QStringLiteral("Hip-Hop");

    QTest::newRow("first without a name") << QStringLiteral("145") << QString();
    QTest::newRow("255") << QStringLiteral("255") << QString();
    QTest::newRow("(255)") << QStringLiteral("(255)") << QString();
    QTest::newRow("negative") << QStringLiteral("-1") << QString();
    QTest::newRow("fraction") << QStringLiteral("2.5") << QString();
    QTest::newRow("huge") << QStringLiteral("99999999999999999999999") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("empty parentheses") << QStringLiteral("()") << QString();

    QTest::newRow("lower case") << QStringLiteral("rock") << rock;
    QTest::newRow("upper case") << QStringLiteral("ROCK") << rock;
    QTest::newRow("two words") << QStringLiteral("hip hop") << QStringLiteral("Hip Hop");
    QTest::newRow("hyphen starts no word") << QStringLiteral("hip-hop") << QStringLiteral("Hip-hop");
    QTest::newRow("slash and ampersand") << QStringLiteral("r&b/soul") << QStringLiteral("R&b/soul");
    QTest::newRow("tab starts a word") << QStringLiteral("drum\tand\nbass")
                                       << QStringLiteral("Drum\tAnd\nBass");
    QTest::newRow("name in parentheses") << QStringLiteral("(Rock)") << rock;
    QTest::newRow("no closing parenthesis") << QStringLiteral("(17") << QStringLiteral("(17");
    QTest::newRow("not a plain number") << QStringLiteral("1,7") << QStringLiteral("1,7");
    QTest::newRow("accented") << QStringLiteral("ÉLECTRO ÉTÉ") << QStringLiteral("Électro Été");
}

void TestGenreFromID::genreText()
{
    QFETCH(QString, text);
    QFETCH(QString, genre);
    QCOMPARE(GenreFromID(text), genre);
}

QTEST_APPLESS_MAIN(TestGenreFromID)
#include "tst_genrefromid.moc"
