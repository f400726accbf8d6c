// The files layer against Wine itself: a prefix made by wineboot, files
// planted in it, and Wine's own cmd asked for short names, attributes and
// which paths exist. Our answers must be Wine's.
#include "engine/pathhelpers.h"
#include "platform/ansi.h"
#include "platform/prefix.h"
#include "platform/shortname.h"
#include "platform/winfile.h"
#include "tests/files_fixture.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QMap>

namespace {

// Paths whose existence Wine's "if exist" and our lookup must agree on.
const char* const kLookups[] = {
    R"(C:\WINDOWS\SYSTEM32\NOTEPAD.EXE)",
    R"(c:/windows/system32/notepad.exe)",
    R"(C:\windows\system32\notepad.exe.)",
    R"(C:\windows\system32\..\system32\.\notepad.exe)",
    R"(C:\windows\system32\notepadx.exe)",
    R"(C:\PROGRA~1)",
    R"(C:\PROG~FBU)",
    R"(C:\prog~fbu\COMM~CP1)",
    R"(C:\T\LONG~1ZR.HTM)",
    R"(C:\t\long file name.HTML)",
    R"(C:\t\MIXE~UAJ\INNER.DLL)",
    R"(C:\t\mixed case folder\Inner.Dll)",
    R"(C:\t\A_B_~YUB.D)",
    R"(C:\t\.dotfile)",
    R"(C:\t\H.TXT)",
    R"(C:\t\sub\..\lower.txt)",
    R"(C:\t\nothere.txt)",
    R"(C:\nothere\x.txt)",
    R"(C:\t\broken.txt)",
    R"(Z:\usr\bin)",
};

const char* const kPlanted[] = {
    "Long File Name.html", "a.b.c.d", "UPPER.TXT", "lower.txt", "h.txt", "s.txt", "r.txt", ".dotfile",
    "caf\xc3\xa9.txt", "Mixed Case Folder/inner.dll", "name+with=odd,chars;[x].txt", "verylongname", "x~y.txt",
    "sub/.keep", "two  spaces.txt", "trailing.dotname.", "12345678.1234",
};

class FilesWine : public ::testing::Test {
protected:
    static testenv::WinePrefix s_wine;
    static QString s_output;  // what Wine's cmd printed

    static void SetUpTestSuite()
    {
        if (!testenv::wineAvailable())
            return;
        s_wine.boot();
        const QString t = s_wine.path() + QStringLiteral("/drive_c/t");
        for (const char* name : kPlanted)
            testenv::writeFile(t + QLatin1Char('/') + QString::fromUtf8(name), "x");
        QFile::link(QStringLiteral("nowhere"), t + QStringLiteral("/broken.txt"));

        QByteArray bat = "@echo off\r\n"
                         "attrib +h C:\\t\\h.txt\r\n"
                         "attrib +s C:\\t\\s.txt\r\n"
                         "attrib +r C:\\t\\r.txt\r\n"
                         "echo [dir]\r\n"
                         "dir /a /x C:\\t\r\n"
                         "echo [hidden]\r\n"
                         "dir /a:h /b C:\\t\r\n"
                         "echo [system]\r\n"
                         "dir /a:s /b C:\\t\r\n"
                         "echo [readonly]\r\n"
                         "dir /a:r /b C:\\t\r\n"
                         "echo [exist]\r\n";
        int i = 0;
        for (const char* path : kLookups)
            bat += QByteArray("if exist \"") + path + "\" (echo E " + QByteArray::number(i) + ") else (echo M "
                   + QByteArray::number(i) + ")\r\n", ++i;
        testenv::writeFile(t + QStringLiteral("/check.bat"), bat);
        s_output = platform::fromAnsi(
            s_wine.wine({QStringLiteral("cmd"), QStringLiteral("/c"), QStringLiteral("C:\\t\\check.bat")}).out);
        // Let this prefix's server save and leave before we read its files.
        s_wine.waitForServer();
        const auto opened = platform::openPrefix(s_wine.path());
        EXPECT_TRUE(opened.ok) << opened.message.toStdString();
    }

    static void TearDownTestSuite()
    {
        platform::closePrefix();
        s_wine.stopServer();
    }

    void SetUp() override
    {
        VELMORA_REQUIRE_WINE();
        ASSERT_TRUE(platform::prefixIsOpen());
        ASSERT_TRUE(s_output.contains(QLatin1String("[exist]"))) << s_output.toStdString();
    }

    // The lines of one "[section]" of Wine's output.
    static QStringList section(const QString& name)
    {
        QStringList out;
        bool inside = false;
        for (QString line : s_output.split(QLatin1Char('\n'))) {
            line.remove(QLatin1Char('\r'));
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                inside = line == QLatin1Char('[') + name + QLatin1Char(']');
                continue;
            }
            if (inside && !line.isEmpty())
                out.append(line);
        }
        return out;
    }
};

testenv::WinePrefix FilesWine::s_wine;
QString FilesWine::s_output;

TEST_F(FilesWine, ShortNamesAreWines)
{
    // "dir /x" lines: date, time, size or <DIR>, then a 13-wide short-name
    // column from position 36 and the long name from 49.
    int compared = 0;
    for (const QString& line : section(QStringLiteral("dir"))) {
        if (line.size() < 50 || line.at(2) != QLatin1Char('/') || line.at(5) != QLatin1Char('/'))
            continue;
        const QString shortName = line.mid(36, 13).trimmed();
        const QString longName = line.mid(49);
        if (longName == QLatin1String(".") || longName == QLatin1String(".."))
            continue;
        EXPECT_EQ(platform::shortNameOf(longName), shortName) << line.toStdString();
        // A Unix name ending in a dot is found only by its short name, under
        // Wine as here.
        const bool byShortName = longName.endsWith(QLatin1Char('.'));
        char buffer[MAX_PATH] = {};
        const QByteArray path =
            platform::toAnsi(QStringLiteral("C:\\t\\") + (byShortName ? shortName : longName));
        if (byShortName) {
            EXPECT_EQ(GetFileAttributesA(platform::toAnsi(QStringLiteral("C:\\t\\") + longName).constData()),
                      INVALID_FILE_ATTRIBUTES);
        }
        ASSERT_GT(GetShortPathNameA(path.constData(), buffer, MAX_PATH), 0u) << line.toStdString();
        EXPECT_EQ(QString::fromLatin1(buffer),
                  QStringLiteral("C:\\t\\") + (shortName.isEmpty() ? longName : shortName));
        ++compared;
    }
    EXPECT_GE(compared, 15) << s_output.toStdString();
}

TEST_F(FilesWine, AttributesAreWines)
{
    const struct {
        const char* section;
        DWORD bit;
    } kinds[] = {
        {"hidden", FILE_ATTRIBUTE_HIDDEN},
        {"system", FILE_ATTRIBUTE_SYSTEM},
        {"readonly", FILE_ATTRIBUTE_READONLY},
    };
    for (const auto& k : kinds) {
        QStringList wine = section(QString::fromLatin1(k.section));
        wine.sort();
        QStringList ours;
        WIN32_FIND_DATAA data;
        const HANDLE h = FindFirstFileA("C:\\t\\*", &data);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        do {
            const QString name = platform::fromAnsi(QByteArray(data.cFileName));
            if (name != QLatin1String(".") && name != QLatin1String("..") && (data.dwFileAttributes & k.bit))
                ours.append(name);
        } while (FindNextFileA(h, &data));
        FindClose(h);
        ours.sort();
        EXPECT_EQ(ours, wine) << k.section;
        EXPECT_FALSE(ours.isEmpty()) << k.section;
    }
}

TEST_F(FilesWine, LookupsAreWines)
{
    QMap<int, bool> wine;
    for (const QString& line : section(QStringLiteral("exist"))) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() == 2)
            wine.insert(parts[1].toInt(), parts[0] == QLatin1String("E"));
    }
    ASSERT_EQ(wine.size(), static_cast<int>(std::size(kLookups)));
    for (int i = 0; i < wine.size(); ++i)
        EXPECT_EQ(GetFileAttributesA(kLookups[i]) != INVALID_FILE_ATTRIBUTES, wine.value(i)) << kLookups[i];
}

TEST_F(FilesWine, FoldersOfAFreshPrefix)
{
    EXPECT_EQ(engine::GetWindowsDir(), QStringLiteral(R"(C:\windows)"));
    EXPECT_EQ(engine::GetSystemDir(), QStringLiteral(R"(C:\windows\system32)"));
    EXPECT_EQ(engine::GetProgramFilesDir(), QStringLiteral(R"(C:\Program Files)"));
    EXPECT_EQ(engine::GetCommonFilesDir(), QStringLiteral(R"(C:\Program Files\Common Files)"));
    EXPECT_TRUE(engine::FileExists(engine::GetSystemDir() + QStringLiteral(R"(\KERNEL32.DLL)")));
    EXPECT_FALSE(engine::FileExists(engine::GetSystemDir() + QStringLiteral(R"(\nosuch.dll)")));
    QString letters;
    for (const auto& d : platform::drives())
        letters.append(d.letter);
    EXPECT_EQ(letters, QStringLiteral("CZ"));
    char buffer[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, buffer);
    EXPECT_EQ(QString::fromLatin1(buffer, static_cast<int>(n)),
              platform::toWindowsPath(QDir::tempPath()) + QLatin1Char('\\'));
}

}  // namespace
