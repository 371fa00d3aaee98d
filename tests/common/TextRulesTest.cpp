#include "common/TextRules.h"
#include "common/Windows1252.h"

#include <gtest/gtest.h>

using namespace vorenta;

TEST(TextRules, TrimRemovesCodesZeroToThirtyTwoOnly)
{
    const QString raw = QString(QChar(0)) + QStringLiteral("\t \r\n ab c\x1F ") + QChar(0xA0);
    EXPECT_EQ(Trim(raw), QStringLiteral("ab c\x1F ") + QChar(0xA0)) << "a no-break space is not trimmed";
    EXPECT_EQ(Trim(QStringLiteral(" \x01 x \x02")), QStringLiteral("x"));
    EXPECT_TRUE(IsBlank(QStringLiteral(" \t\r\n")));
    EXPECT_TRUE(IsBlank(QString()));
    EXPECT_FALSE(IsBlank(QStringLiteral(" . ")));
}

TEST(TextRules, CaseChangesTouchAsciiLettersOnly)
{
    EXPECT_EQ(UpperAscii(QStringLiteral("Ricoh ção é")), QStringLiteral("RICOH çãO é"));
    EXPECT_EQ(LowerAscii(QStringLiteral("Drum ÇÃO")), QStringLiteral("drum ÇÃo"));
}

TEST(TextRules, EscapedTextShowsControlCharactersAndBackslashes)
{
    const struct {
        QString raw;
        QString shown;
    } cases[] = {
        {QStringLiteral("LaserJet 400"), QStringLiteral("LaserJet 400")},
        {QStringLiteral("a\r\nb\tc"), QStringLiteral("a\\x0D\\x0Ab\\x09c")},
        {QString(QChar(0)) + QChar(0x1F) + QChar(0x7F) + QChar(0x9F) + QChar(0xA0),
         QStringLiteral("\\x00\\x1F\\x7F\\x9F") + QChar(0xA0)},
        {QStringLiteral("C:\\x00"),
         QStringLiteral("C:\\\\x00")}, // a backslash is doubled: no look-alike escapes
        {QStringLiteral("ção"), QStringLiteral("ção")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EscapedText(c.raw), c.shown) << c.shown.toStdString();
}

TEST(Windows1252, OctetsBecomeOneCharacterEach)
{
    const std::string octets("\x00\x1B\xA9\x80\x81\x9F\xFF", 7);
    const QString text = DecodeWindows1252(octets);
    ASSERT_EQ(text.size(), 7);
    EXPECT_EQ(text[0].unicode(), 0x0000);
    EXPECT_EQ(text[1].unicode(), 0x001B);
    EXPECT_EQ(text[2].unicode(), 0x00A9);
    EXPECT_EQ(text[3].unicode(), 0x20AC); // euro sign
    EXPECT_EQ(text[4].unicode(), 0x0081); // unassigned, kept
    EXPECT_EQ(text[5].unicode(), 0x0178);
    EXPECT_EQ(text[6].unicode(), 0x00FF);
    EXPECT_EQ(EncodeWindows1252(text), octets);
}
