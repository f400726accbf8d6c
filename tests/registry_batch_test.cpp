// One save per user action: changes made inside a registry batch are saved
// once, when the outermost batch ends, however often the event loop runs in
// between; a failed save is handed back whole and tears nothing.
#include "engine/registryaccess.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/registrytesting.h"
#include "platform/winreg.h"
#include "tests/registry_support.h"
#include "tests/support/prefixbuilder.h"
#include "tests/support/seamguard.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kValues = 1000;

testenv::PrefixBuilder batchRegistry()
{
    testenv::PrefixBuilder b;
    b.keyTime(1796903249).system(u"Software\\Many"_s);
    for (int i = 0; i < kValues; ++i)
        b.sz(u"v"_s + QString::number(i).rightJustified(4, u'0'), u"C:\\gone\\"_s + QString::number(i) + u".dll"_s);
    b.user(u"Software\\Velmora"_s).sz(u"a"_s, u"1"_s);
    return b;
}

class RegistrySaveBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = testenv::makeTempDir(QStringLiteral("batch"));
        ASSERT_TRUE(batchRegistry().write(m_dir));
        const platform::PrefixError e = platform::openPrefix(m_dir);
        ASSERT_TRUE(e.ok) << e.message.toStdString();
        m_boxes = std::make_unique<regtest::ErrorBoxes>(m_errors);
        seams.desktop(m_boxes.get());
    }
    void TearDown() override
    {
        ::chmod(QFile::encodeName(m_dir).constData(), 0700);
        platform::closePrefix();
    }

    QByteArray systemFile() const { return testenv::readFile(m_dir + u"/system.reg"_s); }

    // Deletes every value of Software\Many through the Reg* functions,
    // pumping events after each as a fix does.
    void deleteAllValues()
    {
        HKEY k = 0;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Many", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
        for (int i = 0; i < kValues; ++i) {
            const QByteArray name = "v" + QByteArray::number(i).rightJustified(4, '0');
            ASSERT_EQ(RegDeleteValueA(k, name.constData()), ERROR_SUCCESS) << i;
            QCoreApplication::processEvents();
        }
        RegCloseKey(k);
    }

    QString m_dir;
    QStringList m_errors;
    testenv::SeamGuard seams;
    std::unique_ptr<regtest::ErrorBoxes> m_boxes;
};

TEST_F(RegistrySaveBatch, AThousandChangesWriteTheFileOnce)
{
    const QByteArray before = systemFile();
    const quint64 written = platform::registry::filesWritten();
    platform::RegistryBatch batch;
    deleteAllValues();
    EXPECT_EQ(systemFile(), before) << "saved before the batch ended";
    EXPECT_EQ(platform::registry::filesWritten(), written);
    const platform::PrefixError saved = batch.finish();
    ASSERT_TRUE(saved.ok) << saved.message.toStdString();
    EXPECT_EQ(platform::registry::filesWritten(), written + 1);
    EXPECT_FALSE(systemFile().contains("\"v0"));
    // Nothing is saved again later, and user.reg was never touched.
    QCoreApplication::processEvents();
    EXPECT_EQ(platform::registry::filesWritten(), written + 1);
    EXPECT_FALSE(platform::registry::hasUnsavedChanges());
    EXPECT_TRUE(m_errors.isEmpty());
    // A second finish does nothing.
    EXPECT_TRUE(batch.finish().ok);
    EXPECT_EQ(platform::registry::filesWritten(), written + 1);
}

TEST_F(RegistrySaveBatch, NestedBatchesSaveOnceAtTheOutermostEnd)
{
    const quint64 written = platform::registry::filesWritten();
    // A change from before the batch, whose queued save comes due inside it.
    engine::SetRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora"_s, u"b"_s, u"2"_s, REG_SZ);
    {
        platform::RegistryBatch outer;
        QCoreApplication::processEvents();
        {
            platform::RegistryBatch inner;
            engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"new"_s, u"x"_s, REG_SZ);
            QCoreApplication::processEvents();
            EXPECT_TRUE(inner.finish().ok);
            QCoreApplication::processEvents();
            EXPECT_EQ(platform::registry::filesWritten(), written) << "an inner batch saved";
        }
        {
            platform::RegistryBatch endedByScope;
            engine::DeleteRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"v0001"_s);
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(platform::registry::filesWritten(), written) << "saved before the outermost batch ended";
    }  // the outermost, ended by its scope
    EXPECT_EQ(platform::registry::filesWritten(), written + 2);  // system.reg and user.reg, once each
    EXPECT_TRUE(systemFile().contains("\"new\"=\"x\"\n"));
    EXPECT_FALSE(systemFile().contains("\"v0001\""));
    EXPECT_TRUE(testenv::readFile(m_dir + u"/user.reg"_s).contains("\"b\"=\"2\"\n"));
    QCoreApplication::processEvents();
    EXPECT_EQ(platform::registry::filesWritten(), written + 2);
    EXPECT_TRUE(m_errors.isEmpty());

    // Outside any batch a change is saved when the loop is reached, as ever.
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"later"_s, u"y"_s, REG_SZ);
    EXPECT_EQ(platform::registry::filesWritten(), written + 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(platform::registry::filesWritten(), written + 3);
}

TEST_F(RegistrySaveBatch, ClosingThePrefixInsideABatchSavesEverything)
{
    platform::RegistryBatch batch;
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"new"_s, u"x"_s, REG_SZ);
    ASSERT_TRUE(platform::closePrefix().ok);
    EXPECT_TRUE(systemFile().contains("\"new\"=\"x\"\n"));
    EXPECT_TRUE(batch.finish().ok);
}

// Why a save fails, each made to happen after the changes are in.
struct Failure {
    const char* what;
    std::function<void(const QString& dir)> cause;
    std::function<void(const QString& dir)> undo;
    const char* says;
};

// Holds the lock a wineserver of `dir` would hold, where Debian's Wine
// keeps it: the folder named in the prefix's "wineserver" file, under TMPDIR.
class ServerLock {
public:
    void take(const QString& dir)
    {
        struct stat st;
        ASSERT_EQ(::stat(QFile::encodeName(dir).constData(), &st), 0);
        m_tmp = testenv::makeTempDir(QStringLiteral("tmp"));
        m_oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_tmp));
        ASSERT_TRUE(testenv::writeFile(dir + u"/wineserver"_s, "wine-test\n"));
        const QString server = QStringLiteral("%1/wine-test/server-%2-%3")
                                   .arg(m_tmp)
                                   .arg(static_cast<qulonglong>(st.st_dev), 0, 16)
                                   .arg(static_cast<qulonglong>(st.st_ino), 0, 16);
        ASSERT_TRUE(QDir().mkpath(server));
        m_fd = ::open(QFile::encodeName(server + u"/lock"_s).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(m_fd, 0);
        // An open-file-description lock: seen even by this same process.
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_len = 1;
        ASSERT_EQ(::fcntl(m_fd, F_OFD_SETLK, &fl), 0);
    }
    void release(const QString& dir)
    {
        ::close(m_fd);
        m_fd = -1;
        QFile::remove(dir + u"/wineserver"_s);
        if (m_oldTmp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_oldTmp);
    }

private:
    QString m_tmp;
    QByteArray m_oldTmp;
    int m_fd = -1;
};

TEST_F(RegistrySaveBatch, AFailedSaveIsReturnedWholeAndTearsNothing)
{
    ServerLock lock;
    QByteArray theirs;
    const Failure table[] = {
        {"read-only prefix folder",
         [](const QString& dir) { ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), 0500), 0); },
         [](const QString& dir) { ::chmod(QFile::encodeName(dir).constData(), 0700); }, "could not be saved"},
        {"a wineserver holds the prefix", [&lock](const QString& dir) { lock.take(dir); },
         [&lock](const QString& dir) { lock.release(dir); }, "A Wine program is running"},
        {"changed by another program",
         [&theirs](const QString& dir) {
             theirs = testenv::readFile(dir + u"/system.reg"_s);
             testenv::writeFile(dir + u"/system.reg"_s, theirs + "\n");
         },
         [&theirs](const QString& dir) { testenv::writeFile(dir + u"/system.reg"_s, theirs); }, "changed by another program"},
    };
    for (const Failure& f : table) {
        const QByteArray before = systemFile();
        const quint64 written = platform::registry::filesWritten();
        platform::RegistryBatch batch;
        deleteAllValues();
        f.cause(m_dir);
        platform::PrefixError saved;
        {
            regtest::NoRootOverride asAnyUser;
            saved = batch.finish();
        }
        EXPECT_FALSE(saved.ok) << f.what;
        EXPECT_TRUE(saved.message.contains(QLatin1String(f.says))) << f.what << ": " << saved.message.toStdString();
        EXPECT_EQ(platform::registry::filesWritten(), written) << f.what;
        EXPECT_TRUE(regtest::saveLitter(m_dir).isEmpty()) << f.what;
        // Told once, by finish(), not again by a save still queued.
        QCoreApplication::processEvents();
        EXPECT_TRUE(m_errors.isEmpty()) << f.what << ": " << m_errors.join(u" | "_s).toStdString();
        f.undo(m_dir);
        EXPECT_EQ(systemFile(), before) << f.what;
        // Nothing was lost: the changes go in with the next save.
        EXPECT_TRUE(platform::registry::hasUnsavedChanges()) << f.what;
        ASSERT_TRUE(platform::flushRegistry().ok) << f.what;
        EXPECT_FALSE(systemFile().contains("\"v0")) << f.what;
        // Put the values back for the next case.
        for (int i = 0; i < kValues; ++i) {
            engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s,
                                     u"v"_s + QString::number(i).rightJustified(4, u'0'), u"x"_s, REG_SZ);
        }
        ASSERT_TRUE(platform::flushRegistry().ok) << f.what;
        QCoreApplication::processEvents();
        m_errors.clear();
    }
}

TEST_F(RegistrySaveBatch, ABatchEndedByItsScopeReportsAFailedSave)
{
    {
        platform::RegistryBatch batch;
        engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"new"_s, u"x"_s, REG_SZ);
        testenv::writeFile(m_dir + u"/system.reg"_s, "edited elsewhere");
    }
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors[0].contains(u"changed by another program"_s)) << m_errors[0].toStdString();
    EXPECT_EQ(systemFile(), "edited elsewhere");
}

// Runs `g_onStage` the `g_stageCount`-th time a save reaches `g_stage`.
platform::registry::SaveStage g_stage;
int g_stageCount = 0;
std::function<void()> g_onStage;

void atStage(platform::registry::SaveStage stage)
{
    if (stage == g_stage && --g_stageCount == 0)
        g_onStage();
}

class StageHook {
public:
    StageHook(platform::registry::SaveStage stage, int count, std::function<void()> action)
    {
        g_stage = stage;
        g_stageCount = count;
        g_onStage = std::move(action);
        m_seams.saveStageHook(atStage);
    }
    ~StageHook() { g_onStage = {}; }
    StageHook(const StageHook&) = delete;
    StageHook& operator=(const StageHook&) = delete;

private:
    testenv::SeamGuard m_seams;
};

// While alive, no file of this process may grow past `bytes`: a write
// beyond fails as on a full disk (EFBIG, the signal ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        if (m_active)
            ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldSignal)(int) = SIG_DFL;
    bool m_active = false;
};

// A fix that changes system.reg and user.reg at once: when user.reg, the
// second written, cannot be written, neither file is replaced.
TEST_F(RegistrySaveBatch, AChangeOverTwoFilesLandsWholeOrNotAtAll)
{
    const QString userReg = m_dir + u"/user.reg"_s;
    const QString elsewhere = testenv::makeTempDir(QStringLiteral("elsewhere"));
    QByteArray theirs;
    std::unique_ptr<StageHook> hook;
    const Failure table[] = {
        {"user.reg cannot be written whole (the disk is full)",
         [](const QString&) {},  // the limit is set around the save below
         [](const QString&) {}, "could not be saved"},
        {"user.reg lies in a folder that takes no new file",
         [&](const QString&) {
             ASSERT_TRUE(QFile::rename(userReg, elsewhere + u"/user.reg"_s));
             ASSERT_TRUE(QFile::link(elsewhere + u"/user.reg"_s, userReg));
             ASSERT_EQ(::chmod(QFile::encodeName(elsewhere).constData(), 0500), 0);
         },
         [&](const QString&) {
             ::chmod(QFile::encodeName(elsewhere).constData(), 0700);
             QFile::remove(userReg);
             QFile::rename(elsewhere + u"/user.reg"_s, userReg);
         },
         "could not be saved"},
        {"user.reg is changed by another program while it is written",
         [&](const QString&) {
             theirs = testenv::readFile(userReg);
             hook = std::make_unique<StageHook>(platform::registry::SaveStage::Flushed, 2,
                                                [&] { testenv::writeFile(userReg, theirs + "\n"); });
         },
         [&](const QString&) {
             hook.reset();
             testenv::writeFile(userReg, theirs);
         },
         "changed by another program"},
    };
    const QString big(100000, QLatin1Char('x'));
    for (const Failure& f : table) {
        const bool diskFull = &f == &table[0];
        const QByteArray systemBefore = systemFile();
        const QByteArray userBefore = testenv::readFile(userReg);
        const quint64 written = platform::registry::filesWritten();
        platform::RegistryBatch batch;
        engine::DeleteRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"v0000"_s);
        engine::SetRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora"_s, u"big"_s, big, REG_SZ);
        f.cause(m_dir);
        platform::PrefixError saved;
        {
            regtest::NoRootOverride asAnyUser;
            // Room for the new system.reg, not for the new user.reg.
            FileSizeLimit limit(diskFull ? 64 * 1024 : RLIM_INFINITY);
            saved = batch.finish();
        }
        EXPECT_FALSE(saved.ok) << f.what;
        EXPECT_TRUE(saved.message.contains(QLatin1String(f.says))) << f.what << ": " << saved.message.toStdString();
        EXPECT_EQ(platform::registry::filesWritten(), written) << f.what;
        EXPECT_TRUE(regtest::saveLitter(m_dir).isEmpty()) << f.what;
        EXPECT_TRUE(regtest::saveLitter(elsewhere).isEmpty()) << f.what;
        f.undo(m_dir);
        EXPECT_EQ(systemFile(), systemBefore) << f.what << ": system.reg was replaced";
        EXPECT_EQ(testenv::readFile(userReg), userBefore) << f.what;
        // Both changes wait, unsaved, and go in together with the next save.
        EXPECT_TRUE(platform::registry::hasUnsavedChanges()) << f.what;
        const platform::PrefixError retried = platform::flushRegistry();
        ASSERT_TRUE(retried.ok) << f.what << ": " << retried.message.toStdString();
        EXPECT_EQ(platform::registry::filesWritten(), written + 2) << f.what;
        EXPECT_FALSE(systemFile().contains("\"v0000\"")) << f.what;
        EXPECT_TRUE(testenv::readFile(userReg).contains(big.toLatin1())) << f.what;
        // Back as it was for the next case.
        engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"v0000"_s, u"C:\\gone\\0.dll"_s, REG_SZ);
        engine::DeleteRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora"_s, u"big"_s);
        ASSERT_TRUE(platform::flushRegistry().ok) << f.what;
        QCoreApplication::processEvents();
        EXPECT_TRUE(m_errors.isEmpty()) << f.what << ": " << m_errors.join(u" | "_s).toStdString();
        m_errors.clear();
    }
}

// When the first file is in place and the second cannot be (very rare: the
// renames come after every write), the failure is told, and what is in
// memory is what is on disk: system.reg saved, user.reg still to save.
TEST_F(RegistrySaveBatch, AFileThatCannotBePutInPlaceIsToldAndStaysUnsaved)
{
    const QString userReg = m_dir + u"/user.reg"_s;
    const QByteArray userBefore = testenv::readFile(userReg);
    const quint64 written = platform::registry::filesWritten();
    platform::RegistryBatch batch;
    engine::DeleteRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"v0000"_s);
    engine::SetRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora"_s, u"b"_s, u"2"_s, REG_SZ);
    platform::PrefixError saved;
    {
        // Once system.reg is replaced, a folder stands where user.reg was.
        StageHook hook(platform::registry::SaveStage::Renamed, 1, [&] {
            QFile::remove(userReg);
            QDir().mkdir(userReg);
        });
        saved = batch.finish();
    }
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(saved.message.contains(u"saved only in part"_s)) << saved.message.toStdString();
    EXPECT_TRUE(saved.message.contains(userReg)) << saved.message.toStdString();
    EXPECT_FALSE(saved.message.contains(u"\n"_s));
    EXPECT_EQ(platform::registry::filesWritten(), written + 1);
    EXPECT_FALSE(systemFile().contains("\"v0000\""));
    EXPECT_TRUE(QFileInfo(userReg).isDir());
    EXPECT_TRUE(regtest::saveLitter(m_dir).isEmpty());
    EXPECT_TRUE(platform::registry::hasUnsavedChanges());
    // system.reg on disk is what the registry now holds: not "changed by
    // another program", and not written again.
    EXPECT_TRUE(platform::registry::fileChangedOnDisk() == userReg) << platform::registry::fileChangedOnDisk().toStdString();
    QDir().rmdir(userReg);
    testenv::writeFile(userReg, userBefore);
    EXPECT_TRUE(platform::registry::fileChangedOnDisk().isEmpty());
    const platform::PrefixError retried = platform::flushRegistry();
    ASSERT_TRUE(retried.ok) << retried.message.toStdString();
    EXPECT_EQ(platform::registry::filesWritten(), written + 2);
    EXPECT_TRUE(testenv::readFile(userReg).contains("\"b\"=\"2\"\n"));
    EXPECT_FALSE(platform::registry::hasUnsavedChanges());
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join(u" | "_s).toStdString();
}

}  // namespace

// An action whose save failed drops what it did not save: the registry held
// is read again from disk, so no later save writes it unasked. When the
// files cannot be read again, the changes stay held and the reason is told.
TEST_F(RegistrySaveBatch, DroppingUnsavedChangesReadsTheDiskAgain)
{
    const QByteArray before = systemFile();
    {
        platform::RegistryBatch batch;
        deleteAllValues();
        testenv::writeFile(m_dir + u"/system.reg"_s, before + "\n");
        ASSERT_FALSE(batch.finish().ok);
    }
    ASSERT_TRUE(platform::registry::hasUnsavedChanges());
    ASSERT_TRUE(platform::dropUnsavedRegistryChanges().ok);
    EXPECT_FALSE(platform::registry::hasUnsavedChanges());
    QString held;
    EXPECT_TRUE(engine::QueryRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"v0999"_s, held));
    EXPECT_EQ(held, u"C:\\gone\\999.dll"_s);
    // Another change saves alone, over the file as it now is.
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"later"_s, u"x"_s, REG_SZ);
    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_TRUE(systemFile().contains("\"v0999\""));
    EXPECT_TRUE(systemFile().contains("\"later\""));

    // A file that no longer parses: nothing is dropped.
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"kept"_s, u"x"_s, REG_SZ);
    testenv::writeFile(m_dir + u"/system.reg"_s, "not a registry file");
    const platform::PrefixError dropped = platform::dropUnsavedRegistryChanges();
    EXPECT_FALSE(dropped.ok);
    EXPECT_FALSE(dropped.message.isEmpty());
    EXPECT_TRUE(platform::registry::hasUnsavedChanges());
    EXPECT_TRUE(engine::QueryRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Many"_s, u"kept"_s, held));
    testenv::writeFile(m_dir + u"/system.reg"_s, before);
    platform::dropUnsavedRegistryChanges();
}
