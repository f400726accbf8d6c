#pragma once
// Stands in for a running Wine server of a prefix: holds the lock a server
// holds, in a TMPDIR of its own, until released. An open-file-description
// lock, so this same process sees it held, as it would see a real server's.
#include "tests/support/testenv.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testenv {

class FakeWineServer {
public:
    explicit FakeWineServer(const QString& prefixDir)
    {
        struct stat st;
        if (::stat(QFile::encodeName(prefixDir).constData(), &st) != 0)
            return;
        m_tmp = makeTempDir(QStringLiteral("tmp"));
        const QString dir = QStringLiteral("%1/.wine-%2/server-%3-%4")
                                .arg(m_tmp)
                                .arg(::getuid())
                                .arg(static_cast<qulonglong>(st.st_dev), 0, 16)
                                .arg(static_cast<qulonglong>(st.st_ino), 0, 16);
        if (!QDir().mkpath(dir))
            return;
        m_oldTmp = qgetenv("TMPDIR");
        m_tmpSet = true;
        qputenv("TMPDIR", QFile::encodeName(m_tmp));
        m_fd = ::open(QFile::encodeName(dir + QStringLiteral("/lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_len = 1;
        m_locked = m_fd >= 0 && ::fcntl(m_fd, F_OFD_SETLK, &fl) == 0;
    }
    ~FakeWineServer()
    {
        release();
        if (m_tmpSet) {
            if (m_oldTmp.isNull())
                qunsetenv("TMPDIR");
            else
                qputenv("TMPDIR", m_oldTmp);
        }
        if (!m_tmp.isEmpty())
            QDir(m_tmp).removeRecursively();
    }
    FakeWineServer(const FakeWineServer&) = delete;
    FakeWineServer& operator=(const FakeWineServer&) = delete;

    bool locked() const { return m_locked; }
    // The server ends: its lock is free.
    void release()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_locked = false;
    }

private:
    QString m_tmp;
    QByteArray m_oldTmp;
    bool m_tmpSet = false;
    int m_fd = -1;
    bool m_locked = false;
};

}  // namespace testenv
