#include "privatecups.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace {
// A printer driver that hands the job's PDF through unchanged: its one filter only unpacks
// gzip, and the printer's device is a file.
const QByteArray PassThroughPpd = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "MIRELPDF.PPD"
*Manufacturer: "Mirel"
*Product: "(Mirel test printer)"
*ModelName: "Mirel test printer"
*ShortNickName: "Mirel test printer"
*NickName: "Mirel test printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*cupsFilter: "application/pdf 0 gziptoany"
*OpenUI *PageSize/Page Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
)ppd";
} // namespace

// The scheduler runs its filters as another user, who must reach the job's files: the folder
// is not in the test's own temporary folder, which only its owner can enter.
PrivateCups::PrivateCups()
    : m_folder(QStringLiteral("/tmp/mirel-cups-XXXXXX"))
{
    QFile::setPermissions(m_folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                   | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                                   | QFile::ExeOther);
}

PrivateCups::~PrivateCups()
{
    if (m_scheduler.state() != QProcess::NotRunning) {
        m_scheduler.terminate();
        if (!m_scheduler.waitForFinished(5000))
            m_scheduler.kill();
        m_scheduler.waitForFinished(5000);
    }
}

bool PrivateCups::start()
{
    const QString scheduler = QStringLiteral("/usr/sbin/cupsd");
    if (!m_folder.isValid() || !QFile::exists(scheduler)
        || QStandardPaths::findExecutable(QStringLiteral("lpadmin")).isEmpty())
        return false;
    const QDir folder(m_folder.path());
    for (const char *sub : { "spool", "cache", "state", "log", "tmp", "out" })
        folder.mkpath(QString::fromLatin1(sub));
    const QByteArray root = QFile::encodeName(m_folder.path());
    const bool written = write("cupsd.conf",
                               "Listen " + root + "/cups.sock\nLogLevel warn\nWebInterface No\nBrowsing No\n"
                               "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n")
            && write("cups-files.conf",
                     "ServerRoot " + root + "\nRequestRoot " + root + "/spool\nCacheDir " + root
                             + "/cache\nStateDir " + root + "/state\nTempDir " + root + "/tmp\nErrorLog " + root
                             + "/log/error_log\nAccessLog " + root + "/log/access_log\nPageLog " + root
                             + "/log/page_log\nPrintcap " + root + "/printcap\nFileDevice Yes\n")
            && write("mirel.ppd", PassThroughPpd);
    if (!written)
        return false;
    m_scheduler.start(scheduler,
                      { "-f", "-c", folder.filePath("cupsd.conf"), "-s", folder.filePath("cups-files.conf") });
    if (!m_scheduler.waitForStarted(5000))
        return false;
    // The socket appears once the scheduler listens.
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(socket())) {
        if (deadline.hasExpired() || m_scheduler.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(50);
    }
    return run("lpadmin", { "-p", "MirelTest", "-v", "file://" + output(), "-P", folder.filePath("mirel.ppd"), "-E" })
            && run("lpadmin", { "-d", "MirelTest" });
}

bool PrivateCups::write(const QString &name, const QByteArray &content) const
{
    QFile file(m_folder.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

bool PrivateCups::run(const QString &program, const QStringList &arguments) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CUPS_SERVER"), socket());
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
