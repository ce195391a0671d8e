#include "downloadline.h"

#include "handoverrefusal.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QWebEngineDownloadRequest>

namespace {
// Saved downloads show the name the person chose; temporary copies the server's.
QString shownName(const QWebEngineDownloadRequest &request, DownloadManager::Kind kind)
{
    return kind == DownloadManager::Kind::Save ? request.downloadFileName() : request.suggestedFileName();
}

QString dataSize(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes);
}
} // namespace

DownloadLine::DownloadLine(QWebEngineDownloadRequest *request, DownloadManager::Kind kind, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_name(shownName(*request, kind))
    , m_path(QDir(request->downloadDirectory()).filePath(request->downloadFileName()))
    , m_text(new QLabel(this))
    , m_progress(new QProgressBar(this))
    , m_cancel(new QPushButton(tr("Cancel"), this))
    , m_open(new QPushButton(tr("Open"), this))
    , m_showInFolder(new QPushButton(tr("Show in folder"), this))
    , m_retry(new QPushButton(tr("Retry"), this))
    , m_dismiss(new QToolButton(this))
{
    // The server chose the name: never read as markup.
    m_text->setTextFormat(Qt::PlainText);
    m_progress->setTextVisible(false);
    m_progress->setMaximumWidth(200);
    m_dismiss->setText(QStringLiteral("×"));
    m_dismiss->setToolTip(tr("Dismiss"));
    m_dismiss->setAutoRaise(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(m_text, 1);
    for (QWidget *widget : {static_cast<QWidget *>(m_progress), static_cast<QWidget *>(m_cancel),
                            static_cast<QWidget *>(m_open), static_cast<QWidget *>(m_showInFolder),
                            static_cast<QWidget *>(m_retry), static_cast<QWidget *>(m_dismiss)})
        layout->addWidget(widget);

    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancelledByPerson = true;
        if (m_request)
            m_request->cancel();
    });
    connect(m_open, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(m_path)); });
    connect(m_showInFolder, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(m_path).absolutePath()));
    });
    connect(m_retry, &QPushButton::clicked, this, [this] {
        if (m_request)
            emit retryRequested(m_request->url());
        emit dismissed();
    });
    connect(m_dismiss, &QToolButton::clicked, this, &DownloadLine::dismissed);
    follow(request);
}

void DownloadLine::follow(QWebEngineDownloadRequest *restarted)
{
    if (m_request)
        disconnect(m_request, nullptr, this, nullptr);
    m_request = restarted;
    connect(restarted, &QWebEngineDownloadRequest::receivedBytesChanged, this, &DownloadLine::update);
    connect(restarted, &QWebEngineDownloadRequest::totalBytesChanged, this, &DownloadLine::update);
    connect(restarted, &QWebEngineDownloadRequest::stateChanged, this, &DownloadLine::update);
    connect(restarted, &QWebEngineDownloadRequest::interruptReasonChanged, this, &DownloadLine::noteReason);
    noteReason();
    update();
}

void DownloadLine::update()
{
    const auto state = m_request ? m_request->state() : QWebEngineDownloadRequest::DownloadCancelled;
    const bool running = state == QWebEngineDownloadRequest::DownloadRequested
            || state == QWebEngineDownloadRequest::DownloadInProgress;
    m_progress->setVisible(running);
    m_cancel->setVisible(running && m_kind == DownloadManager::Kind::Save);
    m_dismiss->setVisible(!running);
    m_open->hide();
    m_showInFolder->hide();
    m_retry->hide();
    if (running)
        showProgress();
    else
        showEnd();
}

void DownloadLine::showProgress()
{
    const qint64 received = m_request->receivedBytes();
    const qint64 total = m_request->totalBytes();
    if (total <= 0) {
        m_progress->setRange(0, 0); // moving: the server did not say how much is coming
        m_text->setText(m_kind == DownloadManager::Kind::Save ? tr("%1 — %2").arg(m_name, dataSize(received)) : kindText());
        return;
    }
    const int percent = int(qBound(qint64(0), received * 100 / total, qint64(100)));
    m_progress->setRange(0, 100);
    m_progress->setValue(percent);
    m_text->setText(m_kind == DownloadManager::Kind::Save
                            ? tr("%1 — %2 of %3 (%4 %)").arg(m_name, dataSize(received), dataSize(total)).arg(percent)
                            : kindText());
}

void DownloadLine::showEnd()
{
    const auto state = m_request ? m_request->state() : QWebEngineDownloadRequest::DownloadCancelled;
    if (state == QWebEngineDownloadRequest::DownloadCompleted) {
        if (m_kind == DownloadManager::Kind::Save) {
            m_text->setText(tr("%1 — saved (%2)").arg(m_name, dataSize(m_request->receivedBytes())));
            // As for a page's open downloads: the desktop would run a program rather than show it.
            m_open->setVisible(!runsAsProgram(m_name));
            m_showInFolder->show();
        } else {
            m_text->setText(m_kind == DownloadManager::Kind::Open ? tr("Opened %1").arg(m_name)
                                                                  : tr("Sent %1 to the printer").arg(m_name));
        }
    } else if (!m_failure.isEmpty() && !m_cancelledByPerson) {
        m_text->setText(tr("%1 — failed: %2").arg(m_name, m_failure));
        // A save is asked for again as the page asked for it; an open or print is for the page to ask.
        m_retry->setVisible(m_kind == DownloadManager::Kind::Save);
    } else {
        m_text->setText(tr("%1 — cancelled").arg(m_name));
    }
}

void DownloadLine::noteReason()
{
    if (!m_request)
        return;
    const auto reason = m_request->interruptReason();
    if (reason != QWebEngineDownloadRequest::NoReason && reason != QWebEngineDownloadRequest::UserCanceled)
        m_failure = m_request->interruptReasonString();
}

QString DownloadLine::kindText() const
{
    return m_kind == DownloadManager::Kind::Open ? tr("Opening %1…").arg(m_name) : tr("Printing %1…").arg(m_name);
}
