// Short names as Wine makes them, the 8.3 test, and listing masks.
#include "platform/shortname.h"

#include <gtest/gtest.h>

using platform::isLegalShortName;
using platform::matchesMask;
using platform::shortNameOf;

TEST(ShortNames, MatchWinesHash)
{
    // Checked against Wine 8.0.
    const struct {
        const char16_t* name;
        const char* shortName;
    } cases[] = {
        {u"Program Files", "PROG~FBU"},
        {u"Common Files", "COMM~CP1"},
        {u"Long File Name.html", "LONG~1ZR.HTM"},
        {u".hiddenfile", "_HID~1N2"},
        {u"..dots", "_~~~~HJ0.DOT"},
        {u"a.b.c.d", "A_B_~YUB.D"},
        {u"file.", "FILE~CUC"},
        {u"caf\u00e9.txt", "CAF_~CRT.TXT"},
    };
    for (const auto& c : cases) {
        const QString name = QString::fromUtf16(c.name);
        EXPECT_EQ(shortNameOf(name), QLatin1String(c.shortName)) << name.toStdString();
    }
}

TEST(ShortNames, DependOnlyOnTheNameWithoutRegardToCase)
{
    EXPECT_EQ(shortNameOf(QStringLiteral("PROGRAM FILES")), QStringLiteral("PROG~FBU"));
    EXPECT_EQ(shortNameOf(QStringLiteral("program files")), shortNameOf(QStringLiteral("Program Files")));
    EXPECT_NE(shortNameOf(QStringLiteral("Program Filez")), shortNameOf(QStringLiteral("Program Files")));
}

TEST(ShortNames, LegalNamesHaveNone)
{
    const struct {
        const char* name;
        bool legal;
    } cases[] = {
        {"lower.txt", true},    {"NOTEPAD.EXE", true},   {"README", true},       {"12345678.123", true},
        {"PROG~FBU", true},     {"a", true},             {".", true},            {"..", true},
        {"123456789", false},   {"12345678.1234", false}, {"file.", false},      {".profile", false},
        {"a.b.c", false},       {"with space", false},   {"a+b.txt", false},     {"a,b", false},
        {"a;b", false},         {"a=b", false},          {"[x]", false},         {"", false},
        {"123456789.tx", false},
    };
    for (const auto& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        EXPECT_EQ(isLegalShortName(name), c.legal) << c.name;
        if (c.legal) {
            EXPECT_TRUE(shortNameOf(name).isEmpty()) << c.name;
        }
    }
    EXPECT_FALSE(isLegalShortName(QString::fromUtf8("caf\xc3\xa9.txt")));
}

TEST(ListingMasks, MatchAsAWindowsListing)
{
    const struct {
        const char* mask;
        const char* name;
        bool match;
    } cases[] = {
        {"*", "anything.txt", true},
        {"*.*", "README", true},  // names without a dot too
        {"*.*", "a.b.c", true},
        {"*.txt", "NOTES.TXT", true},
        {"*.txt", "notes.txt.bak", false},
        {"*.txt", "txt", false},
        {"n?tes.txt", "notes.txt", true},
        {"n?tes.txt", "nts.txt", false},
        {"*e*", "readme", true},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"file.*", "file", true},
        {"file?", "file", true},  // trailing "?" may match nothing
        {"abc", "ABC", true},
        {"abc", "abcd", false},
        {"*.", "noext", true},
        {"\xe9*", "\xc9t\xe9", true},  // é matches É
    };
    for (const auto& c : cases) {
        EXPECT_EQ(matchesMask(QString::fromLatin1(c.mask), QString::fromLatin1(c.name)), c.match)
            << c.mask << " vs " << c.name;
    }
}

// A character the ANSI code page lacks reaches a lookup as "?"; one that takes
// two code units (a surrogate pair) comes as a single "?" and must still find
// its file, else a file on disk would be reported missing.
TEST(ListingMasks, QuestionMarkTakesAWholeCharacter)
{
    const QString smiley = QString::fromUtf8("x\xf0\x9f\x98\x80.txt");  // x, U+1F600, .txt
    const struct {
        const char* mask;
        bool match;
    } cases[] = {
        {"x?.txt", true},   // one "?" for the pair
        {"x??.txt", true},  // or one for each code unit
        {"?.txt", false},
        {"x?.tx", false},
        {"*?.txt", true},
        {"X?.TXT", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesMask(QString::fromLatin1(c.mask), smiley), c.match) << c.mask;
    EXPECT_TRUE(matchesMask(QStringLiteral("caf?.txt"), QString::fromUtf8("caf\xc3\xa9.txt")));
    EXPECT_FALSE(matchesMask(QStringLiteral("caf?.txt"), QStringLiteral("cafe.dll")));
}
