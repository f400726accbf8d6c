// The prefix's drive map (dosdevices/), drive types, volume information and
// the way back from a Linux path to a Windows one.
#include "platform/ansi.h"
#include "platform/files_internal.h"
#include "platform/ownfile.h"
#include "platform/prefix.h"
#include "platform/regkey.h"
#include "platform/winreg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <cstring>

#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace platform {

namespace files {

namespace {

struct DriveMap {
    QString prefix;
    std::array<QString, 26> roots;
};

DriveMap& driveMap()
{
    static DriveMap map;
    return map;
}

// File-system magic numbers (statfs f_type) that decide a drive's type when
// the registry does not.
DriveType typeFromFileSystem(const QString& root)
{
    struct statfs fs {};
    if (::statfs(QFile::encodeName(root).constData(), &fs) != 0)
        return DriveType::Unknown;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x9660:       // iso9660
    case 0x15013346:   // udf
        return DriveType::CdRom;
    case 0x6969:       // nfs
    case 0x517B:       // smb
    case 0xFE534D42:   // smb2
    case 0xFF534D42:   // cifs
    case 0x564C:       // ncp
    case 0x5346414F:   // afs
    case 0x73757245:   // coda
    case 0x00C36400:   // ceph
        return DriveType::Network;
    case 0x01021994:   // tmpfs
    case 0x858458F6:   // ramfs
    case 0x28CD3D45:   // cramfs
    case 0x9FA0:       // proc
    case 0x1373:       // devfs
        return DriveType::RamDisk;
    default:
        return DriveType::Fixed;
    }
}

std::optional<DriveType> typeFromRegistry(int index)
{
    const char name[3] = {static_cast<char>('a' + index), ':', 0};
    const auto value = readRegistryString(HKEY_LOCAL_MACHINE, "Software\\Wine\\Drives", name);
    if (!value)
        return std::nullopt;
    const QString v = value->trimmed().toLower();
    if (v == QLatin1String("hd"))
        return DriveType::Fixed;
    if (v == QLatin1String("network"))
        return DriveType::Network;
    if (v == QLatin1String("cdrom"))
        return DriveType::CdRom;
    if (v == QLatin1String("floppy"))
        return DriveType::Removable;
    if (v == QLatin1String("ramdisk"))
        return DriveType::RamDisk;
    return std::nullopt;
}

DriveType driveType(int index)
{
    if (const auto t = typeFromRegistry(index))
        return *t;
    if (index < 2)
        return DriveType::Removable;
    return typeFromFileSystem(driveMap().roots[index]);
}

std::vector<DriveInfo> readDrives()
{
    std::vector<DriveInfo> out;
    const auto& map = driveMap();
    for (int i = 0; i < 26; ++i) {
        if (map.roots[i].isEmpty())
            continue;
        out.push_back(DriveInfo{QChar(u'A' + i), driveType(i), map.roots[i]});
    }
    return out;
}

}  // namespace

const QString& driveRoot(int index)
{
    static const QString none;
    if (index < 0 || index >= 26)
        return none;
    return driveMap().roots[index];
}

QString prefixDir()
{
    return driveMap().prefix;
}

bool driveReady(int index)
{
    const QString& root = driveRoot(index);
    if (root.isEmpty())
        return false;
    const bool cache = cacheActive();
    if (cache) {
        const auto it = scopeCache().driveReady.constFind(index);
        if (it != scopeCache().driveReady.cend())
            return *it;
    }
    const QByteArray path = QFile::encodeName(root);
    struct stat st {};
    const bool ready = ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)
                       && ::access(path.constData(), R_OK | X_OK) == 0;
    if (cache)
        scopeCache().driveReady.insert(index, ready);
    return ready;
}

std::optional<QString> readRegistryString(unsigned root, const char* keyPath, const char* valueName)
{
    const RegKey key = RegKey::open(root, fromAnsi(QByteArray(keyPath)), KEY_QUERY_VALUE);
    if (!key.ok())
        return std::nullopt;
    return readRegString(key.handle(), fromAnsi(QByteArray(valueName)), RegNul::FirstNul);
}

}  // namespace files

namespace {

// The text up to the first line feed, which it keeps, as QFile::readLine gives it.
QByteArray firstLine(const QByteArray& bytes)
{
    const qsizetype end = bytes.indexOf('\n');
    return end < 0 ? bytes : bytes.left(end + 1);
}

}  // namespace

void attachDrives(const QString& prefixDirectory)
{
    files::clearLookupCache();
    auto& map = files::driveMap();
    map = {};
    map.prefix = QDir::cleanPath(QFileInfo(prefixDirectory).absoluteFilePath());
    const QString devices = map.prefix + QStringLiteral("/dosdevices");
    for (int i = 0; i < 26; ++i) {
        // Wine takes only lower-case names; no link, no drive.
        const QString link = devices + QLatin1Char('/') + QChar(u'a' + i) + QLatin1Char(':');
        char buffer[4096];
        const ssize_t n = ::readlink(QFile::encodeName(link).constData(), buffer, sizeof(buffer) - 1);
        if (n <= 0)
            continue;
        QString target = QFile::decodeName(QByteArray(buffer, n));
        if (!target.startsWith(QLatin1Char('/')))
            target = devices + QLatin1Char('/') + target;
        // A dangling link is kept as a drive that is not ready: its files
        // cannot be checked, which is not the same as their being missing.
        map.roots[i] = QDir::cleanPath(target);
    }
}

void detachDrives()
{
    files::clearLookupCache();
    files::driveMap() = {};
}

std::vector<DriveInfo> drives()
{
    if (files::cacheActive()) {
        auto& slot = files::scopeCache().drives;
        if (!slot)
            slot = files::readDrives();
        return *slot;
    }
    return files::readDrives();
}

QStringList wineFontFolders()
{
    // Wine keeps its fonts in share/wine/fonts beside the bin folder that
    // holds "wine"; packaged builds put them under /usr or /usr/local.
    QStringList candidates;
    const QString path = QString::fromLocal8Bit(qgetenv("PATH"));
    for (const QString& dir : path.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QFileInfo wine(QDir(dir).filePath(QStringLiteral("wine")));
        if (!wine.exists())
            continue;
        for (const QString& bin : {wine.absolutePath(), QFileInfo(wine.canonicalFilePath()).absolutePath()})
            candidates << QDir::cleanPath(bin + QStringLiteral("/../share/wine/fonts"));
    }
    candidates << QStringLiteral("/usr/share/wine/fonts") << QStringLiteral("/usr/local/share/wine/fonts");
    QStringList out;
    for (const QString& folder : candidates) {
        if (!QFileInfo(folder).isDir())
            continue;
        const QString windows = toWindowsPath(folder);
        if (!windows.isEmpty() && !out.contains(windows, Qt::CaseInsensitive))
            out << windows;
    }
    return out;
}

QString toWindowsPath(const QString& linuxPath)
{
    if (linuxPath.isEmpty())
        return {};
    const QString literal = QDir::cleanPath(QFileInfo(linuxPath).absoluteFilePath());
    const QString canonical = QFileInfo(literal).canonicalFilePath();

    int best = -1;
    qsizetype bestLen = -1;
    QString rest;
    auto consider = [&](const QString& path, const QString& root, int index) {
        if (root.isEmpty())
            return;
        QString tail;
        if (root == QLatin1String("/")) {
            tail = path.mid(1);
        } else if (path == root) {
            tail.clear();
        } else if (path.startsWith(root) && path.at(root.size()) == QLatin1Char('/')) {
            tail = path.mid(root.size() + 1);
        } else {
            return;
        }
        if (root.size() > bestLen) {
            best = index;
            bestLen = root.size();
            rest = tail;
        }
    };
    // The longest drive root wins, through links or not (C: inside Z:).
    for (const QString& path : {literal, canonical}) {
        if (path.isEmpty())
            continue;
        for (int i = 0; i < 26; ++i) {
            const QString& root = files::driveRoot(i);
            consider(path, root, i);
            const QString canonicalRoot = root.isEmpty() ? QString() : QFileInfo(root).canonicalFilePath();
            if (canonicalRoot != root)
                consider(path, canonicalRoot, i);
        }
    }
    if (best < 0)
        return {};
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QString(QChar(u'A' + best)) + QStringLiteral(":\\") + rest;
}

}  // namespace platform

BOOL GetVolumeInformationA(const char* lpRootPathName, char* lpVolumeNameBuffer, DWORD nVolumeNameSize,
                           DWORD* lpVolumeSerialNumber, DWORD* lpMaximumComponentLength,
                           DWORD* lpFileSystemFlags, char* lpFileSystemNameBuffer, DWORD nFileSystemNameSize)
{
    using namespace platform;
    QString root = lpRootPathName ? fromAnsi(QByteArray(lpRootPathName)) : QString();
    if (root.isEmpty()) {
        root = programFolder().left(3);
    }
    // Only a drive root "X:\" names a volume here; UNC roots are not served.
    if (root.size() != 3 || !root.at(0).isLetter() || root.at(0).unicode() > 0x7F || root.at(1) != QLatin1Char(':')
        || (root.at(2) != QLatin1Char('\\') && root.at(2) != QLatin1Char('/'))) {
        SetLastError(root.startsWith(QLatin1String("\\\\")) ? 53 /* ERROR_BAD_NETPATH */ : ERROR_INVALID_NAME);
        return 0;
    }
    const int index = root.at(0).toUpper().unicode() - u'A';
    if (files::driveRoot(index).isEmpty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    if (!files::driveReady(index)) {
        SetLastError(ERROR_NOT_READY);
        return 0;
    }
    const QString linuxRoot = files::driveRoot(index);
    DriveType type = DriveType::Fixed;
    for (const DriveInfo& d : drives()) {
        if (d.letter == QChar(u'A' + index))
            type = d.type;
    }

    // Label and serial as Wine keeps them in the drive's root, when present
    // as regular files (a named pipe there must not stop the walk).
    QByteArray label;
    QByteArray labelText;
    if (readOwnFile(linuxRoot + QStringLiteral("/.windows-label"), &labelText).ok())
        label = toAnsi(QString::fromUtf8(firstLine(labelText)).trimmed());
    DWORD serial = 0;
    QByteArray serialText;
    bool haveSerial = false;
    if (readOwnFile(linuxRoot + QStringLiteral("/.windows-serial"), &serialText).ok())
        serial = firstLine(serialText).trimmed().toUInt(&haveSerial, 16);
    if (!haveSerial) {
        struct statfs fs {};
        if (::statfs(QFile::encodeName(linuxRoot).constData(), &fs) == 0) {
            std::uint32_t id[2] = {0, 0};
            static_assert(sizeof(fs.f_fsid) == sizeof(id));
            std::memcpy(id, &fs.f_fsid, sizeof(id));
            serial = id[0] ^ id[1];
        }
    }
    const QByteArray fsName = type == DriveType::CdRom ? QByteArray("CDFS")
                              : type == DriveType::Removable ? QByteArray("FAT")
                                                             : QByteArray("NTFS");

    if (lpVolumeNameBuffer) {
        if (static_cast<DWORD>(label.size()) >= nVolumeNameSize) {
            SetLastError(24 /* ERROR_BAD_LENGTH */);
            return 0;
        }
        std::memcpy(lpVolumeNameBuffer, label.constData(), label.size() + 1);
    }
    if (lpFileSystemNameBuffer) {
        if (static_cast<DWORD>(fsName.size()) >= nFileSystemNameSize) {
            SetLastError(24 /* ERROR_BAD_LENGTH */);
            return 0;
        }
        std::memcpy(lpFileSystemNameBuffer, fsName.constData(), fsName.size() + 1);
    }
    if (lpVolumeSerialNumber)
        *lpVolumeSerialNumber = serial;
    if (lpMaximumComponentLength)
        *lpMaximumComponentLength = 255;
    if (lpFileSystemFlags)
        *lpFileSystemFlags = 0x2 | 0x4 | 0x8;  // case-preserved names, Unicode on disk, ACLs
    SetLastError(ERROR_SUCCESS);
    return 1;
}
