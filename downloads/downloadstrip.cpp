#include "downloadstrip.h"

#include "downloadline.h"

#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
// Longer than a small file takes to arrive; short enough for a long download to show soon.
constexpr int HandOverRevealDelay = 500;
} // namespace

DownloadStrip::DownloadStrip(DownloadManager *manager, QWebEngineView *view, QWidget *parent)
    : QWidget(parent)
    , m_view(view)
    , m_lines(new QVBoxLayout(this))
{
    m_lines->setContentsMargins(0, 0, 0, 0);
    m_lines->setSpacing(0);
    hide();
    connect(manager, &DownloadManager::downloadShown, this, &DownloadStrip::show);
}

void DownloadStrip::show(QWebEngineDownloadRequest *request, QWebEnginePage *page, DownloadManager::Kind kind)
{
    if (page != m_view->page())
        return;
    if (DownloadLine *line = m_byId.value(request->id())) {
        line->follow(request);
        return;
    }
    auto *line = new DownloadLine(request, kind, this);
    m_byId.insert(request->id(), line);
    connect(line, &DownloadLine::retryRequested, m_view, [this](const QUrl &url) { m_view->page()->download(url); });
    connect(line, &DownloadLine::dismissed, this, [this, line, id = request->id()] {
        m_byId.remove(id);
        line->deleteLater();
        if (m_byId.isEmpty())
            hide();
    });
    m_lines->addWidget(line);
    // Showing the strip resizes the page, and the engine completes the file only after that: the
    // person waiting for the viewer or the printer should not wait for the window's layout too.
    if (kind != DownloadManager::Kind::Save && !request->isFinished()) {
        connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this, &DownloadStrip::reveal,
                Qt::QueuedConnection);
        QTimer::singleShot(HandOverRevealDelay, this, &DownloadStrip::reveal);
        return;
    }
    reveal();
}

void DownloadStrip::reveal()
{
    if (!m_byId.isEmpty())
        QWidget::show();
}
