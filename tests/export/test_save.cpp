// Saving the results and the detail log through the window's real save dialog, into real files.

#include "export_support.h"

#include "support/ui_helpers.h"
#include "ui/exporting.h"
#include "ui/loglistbox.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

namespace {

using exporttest::Accept;
using exporttest::Choose;
using exporttest::NameField;

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class ExportSave : public exporttest::ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        window->SaveDlg->setDirectory(dir_.path());
    }
    void TearDown() override
    {
        ExportTest::TearDown();
        exporting::SetClockTexts({}, {});
    }

    QString Path(const QString& name) const { return dir_.filePath(name); }

    QFileDialog* Dialog() const { return window->SaveDlg; }

    // Runs handler with the save dialog answered by answer; false when the dialog never showed.
    bool RunWithDialog(void (Tfrmmain::*handler)(), const std::function<void(QFileDialog*)>& answer)
    {
        const testsupport::MessageBoxCatcher reply([&](QDialog* d) {
            if (d == Dialog())
                answer(Dialog());
        });
        (window.get()->*handler)();
        return reply.Dialogs() > 0;
    }

    bool SaveAs(void (Tfrmmain::*handler)(), const QString& name)
    {
        return RunWithDialog(handler, [name](QFileDialog* d) { Choose(d, name); });
    }
};

TEST_F(ExportSave, ResultsFileHasOneLinePerRowInTableOrder)
{
    ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, Path("empty.txt")));
    EXPECT_TRUE(QFileInfo::exists(Path("empty.txt")));
    EXPECT_EQ(QFileInfo(Path("empty.txt")).size(), 0);

    // Rows inserted at the top and appended at the end: the file follows the table, top row first.
    exporttest::AddRows(*window, {"10.0.0.3", "10.0.0.1"});
    window->AppendThoroughRow("192.168.100.254");
    {
        QFile old(Path("three.txt"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4096, 'x'));
    }
    ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, Path("three.txt")));
    EXPECT_EQ(ReadAll(Path("three.txt")), QByteArray("10.0.0.3\r\n10.0.0.1\r\n192.168.100.254\r\n"));
    EXPECT_EQ(window->Results()->Count(), 3);
}

TEST_F(ExportSave, DialogRemembersTheNameAndAddsTheExtension)
{
    exporttest::AddRows(*window, {"10.0.0.1"});
    ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, Path("hosts")));
    EXPECT_EQ(ReadAll(Path("hosts.txt")), QByteArray("10.0.0.1\r\n"));

    QString shown;
    QString folder;
    ASSERT_TRUE(RunWithDialog(&Tfrmmain::Save1Click, [&](QFileDialog* d) {
        shown = NameField(d);
        folder = d->directory().absolutePath();
        d->reject();
    }));
    EXPECT_EQ(shown, "hosts.txt");
    EXPECT_EQ(QDir(folder), QDir(dir_.path()));
    EXPECT_EQ(Dialog()->nameFilters(), QStringList{"*.txt"});
}

TEST_F(ExportSave, DetailLogUnderTheProposedName)
{
    exporting::SetClockTexts([] { return QStringLiteral("14:05:09"); }, [] { return QStringLiteral("07.12.2026"); });
    window->ListBox1->AddLine("IP: 10.0.0.3");
    window->ListBox1->AddLine("WORKSTATION1   <00><UNIQUE>");
    window->ListBox1->AddLine(QString(54, QLatin1Char('-')));

    QString proposed;
    ASSERT_TRUE(RunWithDialog(&Tfrmmain::N3Click, [&](QFileDialog* d) {
        proposed = NameField(d);
        Accept(d);
    }));
    EXPECT_EQ(proposed, "Nodewick(07.12.2026-14-05-09)");
    EXPECT_EQ(ReadAll(Path("Nodewick(07.12.2026-14-05-09).txt")),
              "IP: 10.0.0.3\r\nWORKSTATION1   <00><UNIQUE>\r\n" + QByteArray(54, '-') + "\r\n");
    // ".txt" is appended whatever the chosen name ends with.
    ASSERT_TRUE(SaveAs(&Tfrmmain::N3Click, Path("log.txt")));
    EXPECT_TRUE(QFileInfo::exists(Path("log.txt.txt")));
}

TEST_F(ExportSave, SlashedDateStillNamesAFileInTheChosenFolder)
{
    exporting::SetClockTexts([] { return QStringLiteral("2:05:09 PM"); }, [] { return QStringLiteral("12/7/2026"); });
    window->ListBox1->AddLine("10.0.0.3");
    ASSERT_TRUE(RunWithDialog(&Tfrmmain::N3Click, [](QFileDialog* d) { Accept(d); }));
    EXPECT_EQ(ReadAll(Path("Nodewick(12-7-2026-2-05-09 PM).txt")), QByteArray("10.0.0.3\r\n"));
}

TEST_F(ExportSave, CancelledDetailLogSaveLeavesItsNameForTheNextSave)
{
    exporting::SetClockTexts([] { return QStringLiteral("14:05:09"); }, [] { return QStringLiteral("07.12.2026"); });
    window->ListBox1->AddLine("10.0.0.3");
    ASSERT_TRUE(RunWithDialog(&Tfrmmain::N3Click, [](QFileDialog* d) { d->reject(); }));
    EXPECT_TRUE(QDir(dir_.path()).isEmpty());

    QString shown;
    ASSERT_TRUE(RunWithDialog(&Tfrmmain::Save1Click, [&](QFileDialog* d) {
        shown = NameField(d);
        d->reject();
    }));
    EXPECT_EQ(shown, "Nodewick(07.12.2026-14-05-09)");
    EXPECT_TRUE(QDir(dir_.path()).isEmpty());
}

TEST_F(ExportSave, EmptyLogIsReportedWithoutADialog)
{
    testsupport::MessageBoxCatcher messages;
    EXPECT_FALSE(RunWithDialog(&Tfrmmain::N3Click, [](QFileDialog* d) { d->reject(); }));
    EXPECT_EQ(messages.Texts(), QStringList{"  "});
    EXPECT_EQ(messages.Titles(), QStringList{"Save File"});
}

// Runs the body with the effective user of nobody, who may read the test's folders but write none.
class AsNobody {
public:
    AsNobody()
    {
        ok_ = seteuid(65534) == 0;
        error_ = errno;
    }
    ~AsNobody()
    {
        if (ok_) {
            EXPECT_EQ(seteuid(0), 0);
        }
    }
    bool Ok() const { return ok_; }
    int Error() const { return error_; }

private:
    bool ok_ = false;
    int error_ = 0;
};

TEST_F(ExportSave, FailedResultsSaveShowsTheSystemsReasonAndKeepsTheTable)
{
    exporttest::AddRows(*window, {"10.0.0.1", "10.0.0.2"});
    const std::vector<QString> before = Captions();

    // A folder that does not exist.
    {
        testsupport::MessageBoxCatcher messages;
        ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, Path("missing/results.txt")));
        EXPECT_EQ(messages.Texts(), QStringList{"No such file or directory"});
    }
    // A full disk: the device takes the file but none of its bytes, whether they leave at the end
    // (a short file) or as they are written (one longer than any file buffer).
    ASSERT_EQ(::symlink("/dev/full", QFile::encodeName(Path("full.txt")).constData()), 0);
    {
        testsupport::MessageBoxCatcher messages;
        ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, Path("full.txt")));
        EXPECT_EQ(messages.Texts(), QStringList{"No space left on device"});
    }
    EXPECT_EQ(Captions(), before);
    QStringList many;
    for (int i = 0; i < 10000; ++i)
        many.append(QStringLiteral("10.1.%1.%2").arg(i / 250).arg(i % 250 + 1));
    exporttest::AddRows(*window, many);
    {
        testsupport::MessageBoxCatcher messages;
        ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, Path("full.txt")));
        EXPECT_EQ(messages.Texts(), QStringList{"No space left on device"});
    }
    EXPECT_EQ(window->Results()->Count(), 10002);

    // The program goes on: the next save works.
    ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, Path("after.txt")));
    EXPECT_EQ(QFileInfo(Path("after.txt")).size(), 20 + 10000 * 2 + QStringList(many).join(QString()).size());
}

// A disk that is nearly full: the process may write files of at most this many bytes. SIGXFSZ is
// ignored, as start-up ignores it, so that a write past the limit fails instead of ending the test.
// The limit holds for the whole process, so it lives no longer than the saves under test.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        if (::sigaction(SIGXFSZ, &ignore, &previousAction_) != 0 || ::getrlimit(RLIMIT_FSIZE, &previous_) != 0)
            return;
        ignoring_ = true;
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        limited_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        if (limited_) {
            EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &previous_), 0);
        }
        if (ignoring_)
            ::sigaction(SIGXFSZ, &previousAction_, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Ok() const { return limited_; }

private:
    struct sigaction previousAction_ {};
    rlimit previous_{};
    bool ignoring_ = false;
    bool limited_ = false;
};

TEST_F(ExportSave, FailedSaveOverAnExistingFileKeepsItsBytesAndShowsTheReason)
{
    QStringList many;
    for (int i = 0; i < 10000; ++i)
        many.append(QStringLiteral("10.1.%1.%2").arg(i / 250).arg(i % 250 + 1));
    exporttest::AddRows(*window, many);
    for (const QString& address : many)
        window->ListBox1->AddLine(address);
    const QByteArray oldResults("10.0.0.1\r\n10.0.0.2\r\n");
    const QByteArray oldLog("IP: 10.0.0.1\r\n");
    for (const auto& [name, bytes] : {std::pair{"results.txt", oldResults}, std::pair{"log.txt", oldLog}}) {
        QFile old(Path(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        ASSERT_EQ(old.write(bytes), bytes.size());
    }

    {
        testsupport::MessageBoxCatcher messages;
        const FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.Ok()) << std::strerror(errno);
        ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, Path("results.txt")));
        ASSERT_TRUE(SaveAs(&Tfrmmain::N3Click, Path("log")));
        EXPECT_EQ(messages.Texts(), (QStringList{"File too large", "File too large"}));
    }
    EXPECT_EQ(ReadAll(Path("results.txt")), oldResults);
    EXPECT_EQ(ReadAll(Path("log.txt")), oldLog);
    // Nothing of the new files is left beside the old ones.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              (QStringList{"log.txt", "results.txt"}));
}

TEST_F(ExportSave, SaveIntoAFolderWithoutWritePermission)
{
    exporttest::AddRows(*window, {"10.0.0.1", "10.0.0.2"});
    const std::vector<QString> before = Captions();
    const QString folder = Path("readonly");
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);

    testsupport::MessageBoxCatcher messages;
    {
        // Root writes anywhere; the test takes the part of a user who may not.
        std::unique_ptr<AsNobody> nobody;
        if (geteuid() == 0) {
            nobody = std::make_unique<AsNobody>();
            if (!nobody->Ok())
                GTEST_SKIP() << "cannot take the user nobody (seteuid: " << std::strerror(nobody->Error()) << ")";
        }
        if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK, AT_EACCESS) == 0)
            GTEST_SKIP() << "this user may write into a folder of mode 0555; no folder here denies writing";
        ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, folder + "/results.txt"));
    }
    EXPECT_EQ(messages.Texts(), QStringList{"Permission denied"});
    EXPECT_FALSE(QFileInfo::exists(folder + "/results.txt"));
    EXPECT_EQ(Captions(), before);
}

TEST_F(ExportSave, LinkPlantedInASharedFolderByAnotherUserIsNotFollowed)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "planting a link that belongs to another user needs root";
    exporttest::AddRows(*window, {"10.0.0.1"});
    const QByteArray mine("the user's own file\n");
    {
        QFile victim(Path("mine.txt"));
        ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
        ASSERT_EQ(victim.write(mine), mine.size());
    }
    // A folder like /tmp: sticky, writable by all, owned by root; the link in it belongs to nobody.
    const QString shared = Path("shared");
    ASSERT_TRUE(QDir().mkdir(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const QByteArray link = QFile::encodeName(shared + "/results.txt");
    ASSERT_EQ(::symlink(QFile::encodeName(Path("mine.txt")).constData(), link.constData()), 0);
    ASSERT_EQ(::lchown(link.constData(), 65534, 65534), 0) << std::strerror(errno);

    testsupport::MessageBoxCatcher messages;
    ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, shared + "/results.txt"));
    EXPECT_EQ(messages.Texts(), QStringList{"Permission denied"});
    EXPECT_EQ(ReadAll(Path("mine.txt")), mine);
    EXPECT_TRUE(QFileInfo(shared + "/results.txt").isSymLink());
}

// Opens the FIFO for reading after a while, should the save still wait for a reader then, so that
// the test ends with a failure instead of hanging. The reader stays open until the watchdog goes.
class FifoWatchdog {
public:
    explicit FifoWatchdog(QByteArray path)
        : thread_([this, path = std::move(path)] {
            std::unique_lock lock(mutex_);
            if (!done_.wait_for(lock, std::chrono::seconds(10), [this] { return finished_; }))
                reader_ = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        })
    {
    }
    ~FifoWatchdog()
    {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
        if (reader_ >= 0)
            ::close(reader_);
    }
    FifoWatchdog(const FifoWatchdog&) = delete;
    FifoWatchdog& operator=(const FifoWatchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    int reader_ = -1;
    std::thread thread_;
};

TEST_F(ExportSave, FifoWithoutAReaderFailsAtOnceWithTheSystemsReason)
{
    exporttest::AddRows(*window, {"10.0.0.1"});
    const QByteArray fifo = QFile::encodeName(Path("pipe.txt"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0) << std::strerror(errno);
    testsupport::MessageBoxCatcher messages;
    {
        const FifoWatchdog watchdog(fifo);
        ASSERT_TRUE(SaveAs(&Tfrmmain::Save1Click, Path("pipe.txt")));
    }
    EXPECT_EQ(messages.Texts(), QStringList{"No such device or address"});
}

TEST_F(ExportSave, DetailLogThatCannotBeCreated)
{
    exporting::SetClockTexts([] { return QStringLiteral("14:05:09"); }, [] { return QStringLiteral("07.12.2026"); });
    window->ListBox1->AddLine("10.0.0.3");
    testsupport::MessageBoxCatcher messages;
    ASSERT_TRUE(SaveAs(&Tfrmmain::N3Click, Path("missing/log")));
    EXPECT_EQ(messages.Texts(),
              QStringList{"Cannot create file \"" + Path("missing/log.txt") + "\". No such file or directory"});
    EXPECT_EQ(window->ListBox1->Count(), 1);
}

} // namespace
