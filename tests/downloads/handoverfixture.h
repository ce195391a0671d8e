#pragma once

#include "support/mirelprocess.h"
#include "support/testhttpserver.h"

#include <QStringList>

#include <memory>

// The real program against a local server, with stand-ins for "xdg-open" and "lp" first on
// its PATH that note every call. Each page the server offers clicks its one download link.
class HandOverFixture final
{
public:
    // The body of /doc.pdf, served under a file name that needs cleaning.
    static QByteArray document();
    static QString suggestedName();
    static QString safeName();

    HandOverFixture();

    // The server listens and the stand-ins are in place.
    bool ready() const { return m_ready; }
    // Where the page that downloads comes from: the start page itself, or another origin that
    // the start page only leads to, so that it is not trusted; or a window the start page opens
    // on its own origin or on the other one.
    enum class Page { Start, Foreign, Popup, ForeignPopup };

    // Starts the program on a page that downloads `linkPath` (path and query) by itself.
    void start(const QString &linkPath, Page page = Page::Start);
    MirelProcess &process() { return m_process; }
    TestHttpServer &server() { return m_server; }

    // The log line the download manager writes for the link.
    QString requestLogLine(const QString &linkPath) const;
    // The arguments of each call of a stand-in ("xdg-open" or "lp") so far.
    QList<QStringList> calls(const QString &program) const;
    // The descriptors open in the last call of a stand-in, as numbers.
    QStringList descriptors(const QString &program) const;
    // Files named like this program's temporary downloads.
    QStringList temporaryDownloads() const;

private:
    bool writeStandIn(const QString &program) const;
    QString callLog(const QString &program) const;

    TestHttpServer m_server;
    TestHttpServer m_startSite; // only for a foreign downloading page
    MirelProcess m_process;
    bool m_ready = false;
};
