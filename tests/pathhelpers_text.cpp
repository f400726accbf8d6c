// The text helpers the problem rules build on.
#include "engine/pathhelpers.h"
#include "tests/files_fixture.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

struct Case {
    const char* in;
    const char* out;
};

QString q(const char* s)
{
    return QString::fromLatin1(s);
}

}  // namespace

TEST(PathHelpers, TrimQuotesAndBlanks)
{
    const Case cases[] = {
        {"\"C:\\x.exe\" /s\n", "C:\\x.exe\" /s"},
        {"\"C:\\x.exe\"\n", "C:\\x.exe"},
        {"\r \"C:\\x.exe\"", "C:\\x.exe"},
        {"\nC:\\x.exe", "\nC:\\x.exe"},  // a line feed in front stays
        {"C:\\x.exe\r", "C:\\x.exe\r"},  // a carriage return at the end stays
        {"\tC:\\x.exe\t", "\tC:\\x.exe\t"},
        {"  \"\"  ", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrimQuotesAndBlanks(q(c.in)), q(c.out)) << c.in;
}

TEST(PathHelpers, GetFileExtension)
{
    const Case cases[] = {
        {"C:\\WINDOWS\\system32\\MSCOMCTL.OCX", "ocx"},
        {"C:\\dir.d\\readme", ""},
        {"C:\\a.b\\file", ""},
        {"file.", ""},
        {"x.tar.gz", "gz"},
        {".ini", "ini"},
        {"C:file", ""},
        {"C:/dir.d/readme", "d/readme"},  // only ":" and "\" end the search
        {"noext", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetFileExtension(q(c.in)), q(c.out)) << c.in;
}

TEST(PathHelpers, AddBackslash)
{
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {"C:\\WINDOWS", "C:\\WINDOWS\\"},
        {"C:\\", "C:\\"},
        {"C:\\Help ", "C:\\Help \\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AddBackslash(q(c.in)), q(c.out)) << c.in;
}

TEST(PathHelpers, CutAtSwitches)
{
    const Case cases[] = {
        {"C:\\x.exe /s", "C:\\x.exe"},
        {"C:\\x.exe,1", "C:\\x.exe"},
        {"C:\\x.exe /a,b", "C:\\x.exe /a"},  // the comma cut wins
        {"C:\\x.exe,1 /s", "C:\\x.exe"},
        {"\"C:\\x.exe\" /s", "C:\\x.exe"},
        {"C:\\x.exe -u", "C:\\x.exe -u"},
        {"  C:\\x.exe  ", "  C:\\x.exe  "},  // nothing to cut: unchanged, not trimmed
        {"/s", "/s"},
        {",1", ",1"},
        {"C:\\x.exe /s ,", "C:\\x.exe /s"},
        // The piece before the deciding comma is what counts, even where the
        // slash cut alone would have left something.
        {", C:\\x.exe /s", ", C:\\x.exe /s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CutAtSwitches(q(c.in)), q(c.out)) << c.in;
}

TEST(PathHelpers, Placeholders)
{
    const Case root[] = {
        {"%SystemRoot%\\system32\\x.dll", "\\system32\\x.dll"},
        {"%SYSTEMROOT%\\system32\\x.dll", "\\system32\\x.dll"},
        {"%systemroot%\\x.dll", "\\x.dll"},
        {"\"%SystemRoot%\\x.dll\"", "\\x.dll\""},
        {"%ProgramFiles%\\App\\a.exe", "\\App\\a.exe"},
        {"pre %programfiles%\\a.exe", "\\a.exe"},
        {"%ProgramFiles%\\%SystemRoot%\\a.exe", "\\a.exe"},  // %Systemroot% is looked for first
        {"%commonprogramfiles%\\x.dll", ""},
        {"C:\\x.dll", ""},
    };
    for (const auto& c : root)
        EXPECT_EQ(StripRootPlaceholder(q(c.in)), q(c.out)) << c.in;
    const Case common[] = {
        {"%CommonProgramFiles%\\Shared\\x.dll", "\\Shared\\x.dll"},
        {"%COMMONPROGRAMFILES%", ""},
        {"C:\\x.dll", ""},
    };
    for (const auto& c : common)
        EXPECT_EQ(StripCommonFilesPlaceholder(q(c.in)), q(c.out)) << c.in;
}
