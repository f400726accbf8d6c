#include "tests/files_fixture.h"

#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>

#include <cstring>

#include <sys/xattr.h>
#include <unistd.h>

namespace filesfixture {

namespace {

void touch(const QString& path, const QByteArray& bytes = QByteArray("x"))
{
    testenv::writeFile(path, bytes);
}

void link(const QString& target, const QString& at)
{
    QDir().mkpath(at.left(at.lastIndexOf(QLatin1Char('/'))));
    ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData());
}

QString build()
{
    const QString p = testenv::makeTempDir(QStringLiteral("prefix"));
    const QString c = p + QStringLiteral("/drive_c");
    link(QStringLiteral("../drive_a"), p + QStringLiteral("/dosdevices/a:"));
    link(QStringLiteral("../drive_c"), p + QStringLiteral("/dosdevices/c:"));
    link(QStringLiteral("../missing_d"), p + QStringLiteral("/dosdevices/d:"));
    link(QStringLiteral("../drive_e"), p + QStringLiteral("/dosdevices/e:"));
    link(QStringLiteral("/"), p + QStringLiteral("/dosdevices/z:"));
    link(QStringLiteral("../drive_c"), p + QStringLiteral("/dosdevices/I:"));
    link(QStringLiteral("/dev/ttyS0"), p + QStringLiteral("/dosdevices/com1"));
    QDir().mkpath(p + QStringLiteral("/drive_a"));
    touch(p + QStringLiteral("/drive_e/x.dll"));

    touch(c + QStringLiteral("/windows/system32/notepad.exe"), QByteArray(1234, 'n'));
    touch(c + QStringLiteral("/windows/system32/MSCOMCTL.OCX"));
    QDir().mkpath(c + QStringLiteral("/windows/Fonts"));
    touch(c + QStringLiteral("/Program Files/Common Files/shared.dll"));
    touch(c + QStringLiteral("/Program Files/Long File Name.html"));

    const QString d = c + QStringLiteral("/dir");
    touch(d + QStringLiteral("/normal.txt"));
    touch(d + QStringLiteral("/README"));
    touch(d + QStringLiteral("/.hiddenfile"));
    touch(d + QStringLiteral("/hidden.txt"));
    touch(d + QStringLiteral("/system.txt"));
    touch(d + QStringLiteral("/hidsys.txt"));
    touch(d + QStringLiteral("/archive.txt"));
    touch(d + QStringLiteral("/readonly.txt"));
    QFile::setPermissions(d + QStringLiteral("/readonly.txt"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    setDosAttrib(d + QStringLiteral("/hidden.txt"), "0x2");
    setDosAttrib(d + QStringLiteral("/system.txt"), "0x4");
    setDosAttrib(d + QStringLiteral("/hidsys.txt"), "0x6");
    setDosAttrib(d + QStringLiteral("/archive.txt"), "0x21");  // only 0x2 and 0x4 count
    QDir().mkpath(d + QStringLiteral("/sub"));
    QDir().mkpath(d + QStringLiteral("/.hiddendir"));
    link(QStringLiteral("nowhere"), d + QStringLiteral("/broken.txt"));
    link(QStringLiteral("normal.txt"), d + QStringLiteral("/link.txt"));
    touch(d + QString::fromUtf8("/\xc3\xbcnicode\xe2\x9c\x93.txt"));  // ü and a check mark

    touch(c + QStringLiteral("/case/Mixed.TXT"));
    touch(c + QStringLiteral("/case/a.b.c.d"));
    QDir().mkpath(c + QStringLiteral("/empty"));
    QDir().mkpath(c + QStringLiteral("/onlydirs/inner"));
    touch(c + QStringLiteral("/hiddenonly/.profile"));
    touch(c + QStringLiteral("/dotted./in.txt"));  // a folder whose name ends in a dot
    touch(c + QString::fromUtf8("/wide/x\xf0\x9f\x98\x80.dll"));  // x and a character outside the BMP
    return p;
}

}  // namespace

QString prefix()
{
    static const QString p = build();
    return p;
}

QString driveC()
{
    return prefix() + QStringLiteral("/drive_c");
}

bool setDosAttrib(const QString& path, const char* value)
{
    return ::setxattr(QFile::encodeName(path).constData(), "user.DOSATTRIB", value, std::strlen(value), 0) == 0;
}

}  // namespace filesfixture
