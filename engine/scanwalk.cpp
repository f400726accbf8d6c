#include "engine/scanwalk.h"

#include "engine/rules.h"
#include "engine/scanstate.h"
#include "platform/ansi.h"
#include "platform/winreg.h"

#include <cstring>

namespace engine {

namespace {
WalkStats g_stats;

// Buffers the walk hands to the enumeration calls, filled with blanks.
constexpr DWORD kBufferSize = 255;
}  // namespace

WalkStats& walkStats()
{
    return g_stats;
}

QString AbbreviateScanPath(const QString& text)
{
    if (text.size() <= 21)
        return text;
    QString tail;
    const qsizetype last = text.lastIndexOf(QLatin1Char('\\'));
    if (last >= 0) {
        tail = text.mid(last);
        if (tail == QLatin1String("\\")) {
            // Ends in a backslash: show the last folder name instead.
            const qsizetype from = text.size() - 6;
            const qsizetype before = from >= 0 ? text.lastIndexOf(QLatin1Char('\\'), from) : -1;
            if (before >= 0)
                tail = text.mid(before);
        }
    }
    return text.left(23) + QLatin1String(".....") + tail;
}

void ScanSubKeys(HKEY root, const QString& keyPath, const QString& sectionName, const QString& rootName)
{
    HKEY key = 0;
    if (RegOpenKeyExA(root, platform::toAnsi(keyPath).constData(), 0, KEY_ENUMERATE_SUB_KEYS, &key)
        != ERROR_SUCCESS)
        return;
    DWORD index = 0;
    LONG rc = ERROR_SUCCESS;
    do {
        char name[kBufferSize];
        char cls[kBufferSize];
        std::memset(name, ' ', sizeof name);
        std::memset(cls, ' ', sizeof cls);
        DWORD nameSize = kBufferSize;
        DWORD classSize = kBufferSize;
        rc = RegEnumKeyExA(key, index, name, &nameSize, nullptr, cls, &classSize, nullptr);
        if (rc == ERROR_SUCCESS) {
            const QString child = keyPath + QLatin1Char('\\')
                + platform::fromAnsi(name, static_cast<int>(qMin(nameSize, kBufferSize)));
            ShowScanPath(rootName + QLatin1Char('\\') + child);
            ScanKeyValues(root, child, sectionName, rootName);
            ScanSubKeys(root, child, sectionName, rootName);
        }
        ++index;
        if (bCancelScan) {
            RegCloseKey(key);
            return;
        }
        DoEvents();
    } while (rc == ERROR_SUCCESS);
    RegCloseKey(key);
}

void ScanKeyValues(HKEY root, const QString& keyPath, const QString& sectionName, const QString& rootName)
{
    HKEY key = 0;
    if (RegOpenKeyA(root, platform::toAnsi(keyPath).constData(), &key) != ERROR_SUCCESS)
        return;
    ++g_stats.keys;
    DWORD index = 0;
    LONG rc = ERROR_SUCCESS;
    do {
        if (bCancelScan) {
            RegCloseKey(key);
            return;
        }
        char name[kBufferSize];
        BYTE data[kBufferSize];
        std::memset(name, ' ', sizeof name);
        std::memset(data, ' ', sizeof data);
        DWORD nameSize = kBufferSize;
        DWORD dataSize = kBufferSize;
        rc = RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, data, &dataSize);
        if (rc == ERROR_SUCCESS) {
            const QString valueName = platform::fromAnsi(name, static_cast<int>(qMin(nameSize, kBufferSize)));
            // Read again by name: type first, then the data at its exact size.
            const QString text = GetValueAsString(key, valueName);
            ++g_stats.values;
            if (bCancelScan) {
                RegCloseKey(key);
                return;
            }
            ScanValueBySection(text, sectionName, valueName, root, rootName, keyPath);
        }
        if (bCancelScan) {
            RegCloseKey(key);
            return;
        }
        ++index;
        DoEvents();
    } while (rc == ERROR_SUCCESS);
    RegCloseKey(key);
}

QString GetValueAsString(HKEY key, const QString& valueName)
{
    const QByteArray name = platform::toAnsi(valueName);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.constData(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return {};
    switch (type) {
    case REG_SZ:
    case REG_MULTI_SZ: {
        QByteArray buffer(static_cast<qsizetype>(size), '\0');
        DWORD got = size;
        if (RegQueryValueExA(key, name.constData(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &got)
            != ERROR_SUCCESS)
            return {};
        const qsizetype nul = buffer.indexOf('\0');
        return platform::fromAnsi(nul < 0 ? buffer : buffer.left(nul));
    }
    case REG_DWORD: {
        DWORD number = 0;
        DWORD got = sizeof number;
        if (RegQueryValueExA(key, name.constData(), nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &got)
            != ERROR_SUCCESS)
            return {};
        return QString::number(static_cast<qint32>(number));
    }
    default:
        // REG_EXPAND_SZ included: such values are never judged.
        return {};
    }
}

void ScanValueBySection(QString data, const QString& sectionName, const QString& valueName, HKEY root,
                        const QString& rootName, const QString& keyPath)
{
    using Rule = void (*)(HKEY, const QString&, const QString&, QString, const QString&, const QString&);
    struct Entry {
        const char* section;
        Rule rule;
    };
    static const Entry table[] = {
        {"Startup Programs", &ScanCommandLineValue},
        {"Active X Objects", &ScanActiveXValue},
        {"Application Paths", &ScanAppPathValue},
        {"Help Files", &ScanHelpFileValue},
        {"Shared Program Files", &ScanSharedFileValue},
        {"File Types", &ScanUninstallValue},
        {"File paths and history list", &ScanHistoryPathValue},
        {"Fonts", &ScanFontValue},
    };
    for (const Entry& e : table) {
        if (sectionName == QLatin1String(e.section)) {
            if (bCancelScan)
                return;
            e.rule(root, rootName, valueName, std::move(data), sectionName, keyPath);
            return;
        }
    }
}

}  // namespace engine
