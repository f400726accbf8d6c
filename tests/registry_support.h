#pragma once
// Helpers of the registry tests.
#include "platform/desktop.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace regtest {

// While alive, this thread is held to file modes as any user is, root
// too: root's override of read, write and search rights is switched off
// (and back on at the end), so a folder of mode 000 really is shut.
class NoRootOverride {
public:
    NoRootOverride()
    {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_active = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~NoRootOverride()
    {
        if (m_active)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    NoRootOverride(const NoRootOverride&) = delete;
    NoRootOverride& operator=(const NoRootOverride&) = delete;

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};

// A desktop (install it with a SeamGuard) that keeps the texts of the boxes
// shown in `texts`: a failed scheduled save tells its sentence in one.
class ErrorBoxes final : public platform::Desktop {
public:
    explicit ErrorBoxes(QStringList& texts) : m_texts(texts) {}
    ErrorBoxes(const ErrorBoxes&) = delete;
    ErrorBoxes& operator=(const ErrorBoxes&) = delete;

    int messageBox(const QString& text, int, const QString&) override
    {
        m_texts << text;
        return 1;
    }
    QString browseForFolder(const QString&) override { return {}; }
    void playSound(const QString&) override {}
    void setWindowAlpha(QObject*, int) override {}

private:
    QStringList& m_texts;
};

// Temporary files a save left in a folder.
inline QStringList saveLitter(const QString& dir)
{
    return QDir(dir).entryList({QStringLiteral(".velmora-save-*")}, QDir::Files | QDir::Hidden | QDir::System);
}

}  // namespace regtest
