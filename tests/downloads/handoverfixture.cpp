#include "handoverfixture.h"

#include "downloads/downloadmode.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {
const QStringList StandIns = { QStringLiteral("xdg-open"), QStringLiteral("lp") };
}

QByteArray HandOverFixture::document()
{
    return "%PDF-1.4 hand-over test\n" + QByteArray(200 * 1024, 'x');
}

QString HandOverFixture::suggestedName()
{
    return QString::fromUtf8("relevé&1.pdf");
}

QString HandOverFixture::safeName()
{
    return QString::fromUtf8("relevé1.pdf");
}

HandOverFixture::HandOverFixture()
{
    m_ready = m_server.listen();
    m_server.serve(QStringLiteral("/doc.pdf"), { document(), "application/pdf", suggestedName() });
    m_server.serve(QStringLiteral("/cut.pdf"), { document(), "application/pdf", suggestedName(),
                                                 TestHttpServer::Delivery::CutOff });
    const QString bin = QDir(m_process.home()).filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    for (const QString &program : StandIns)
        m_ready = writeStandIn(program) && m_ready;
    m_process.setEnvironment(QStringLiteral("PATH"), bin + QLatin1Char(':') + qEnvironmentVariable("PATH"));
    // A desktop's own platform theme could open files without going through xdg-open.
    m_process.setEnvironment(QStringLiteral("QT_QPA_PLATFORMTHEME"), QString());
}

bool HandOverFixture::writeStandIn(const QString &program) const
{
    QFile script(QDir(m_process.home()).filePath(QStringLiteral("bin/") + program));
    if (!script.open(QIODevice::WriteOnly))
        return false;
    // The descriptors it was started with (and the one the listing opens for itself), then one line
    // per call, each argument in brackets.
    script.write("#!/bin/sh\nls /proc/self/fd > '" + QFile::encodeName(callLog(program)) + ".fds'\n"
                 "for a in \"$@\"; do printf '[%s]' \"$a\"; done >> '"
                 + QFile::encodeName(callLog(program)) + "'\necho >> '" + QFile::encodeName(callLog(program))
                 + "'\n");
    return script.setPermissions(script.permissions() | QFile::ExeOwner);
}

QString HandOverFixture::callLog(const QString &program) const
{
    return QDir(m_process.home()).filePath(program + QStringLiteral(".calls"));
}

void HandOverFixture::start(const QString &linkPath, Page page)
{
    const QString path = QStringLiteral("/start") + QString::number(qHash(linkPath)) + QStringLiteral(".html");
    const QByteArray html = "<!doctype html><html><body><a id=\"go\" href=\"" + linkPath.toUtf8()
            + "\">document</a><script>document.getElementById('go').click();</script></body></html>";
    m_server.serve(path, { html, "text/html; charset=utf-8", QString() });
    QUrl startPage = m_server.url(path);
    const bool popup = page == Page::Popup || page == Page::ForeignPopup;
    const QByteArray lead = "<!doctype html><script>" + QByteArray(popup ? "window.open" : "location.assign") + "(\""
            + startPage.toEncoded() + "\");</script>";
    if (page == Page::Popup) {
        m_server.serve(QStringLiteral("/lead.html"), { lead, "text/html; charset=utf-8", QString() });
        startPage = m_server.url(QStringLiteral("/lead.html"));
    }
    // A server on another port is another origin, so a start page there does not trust this one.
    if ((page == Page::Foreign || page == Page::ForeignPopup) && m_startSite.listen()) {
        m_startSite.serve(QStringLiteral("/lead.html"), { lead, "text/html; charset=utf-8", QString() });
        startPage = m_startSite.url(QStringLiteral("/lead.html"));
    }
    m_process.writeSettings({ { QStringLiteral("Server"), startPage.toString() } });
    m_process.start();
}

QString HandOverFixture::requestLogLine(const QString &linkPath) const
{
    // Logged after an absent or empty mode has become "save", the address without its query, and
    // a "data:" address without its content.
    const QString mode = downloadMode(QUrl(linkPath));
    const QString address = linkPath.startsWith(QLatin1String("data:"))
            ? linkPath.section(QLatin1Char(','), 0, 0)
            : m_server.url(linkPath).adjusted(QUrl::RemoveQuery).toString();
    return QStringLiteral("Download requested: QUrl(\"%1\") Mode: \"%2\"").arg(address, mode);
}

QList<QStringList> HandOverFixture::calls(const QString &program) const
{
    QFile log(callLog(program));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression argument(QStringLiteral("\\[([^\\]]*)\\]"));
    QList<QStringList> calls;
    for (const QString &line : QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QStringList arguments;
        for (const QRegularExpressionMatch &match : argument.globalMatch(line))
            arguments << match.captured(1);
        calls << arguments;
    }
    return calls;
}

QStringList HandOverFixture::descriptors(const QString &program) const
{
    QFile listing(callLog(program) + QStringLiteral(".fds"));
    if (!listing.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(listing.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList HandOverFixture::temporaryDownloads() const
{
    return QDir(m_process.tempDir()).entryList({ QStringLiteral("{*") }, QDir::Files | QDir::Hidden);
}
