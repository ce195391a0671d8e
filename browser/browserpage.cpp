#include "browserpage.h"

#include "bridge/originpolicy.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QEventLoop>
#include <QInputDialog>
#include <QMessageBox>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>

namespace {
// A second dialog within this of the one before offers to stop the page's dialogs.
constexpr qint64 DialogBurstMs = 5000;

// The engine asks its beforeunload question through the page's confirm, in these words and in
// its own catalogue's translation (the context is kept out of this program's catalogue).
QString leaveQuestion()
{
    static const char *const engineContext = "QWebEnginePage";
    return QCoreApplication::translate(
            engineContext, "Are you sure you want to leave this page? Changes that you made may not be saved.");
}
} // namespace

BrowserPage::BrowserPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    // A new document may show dialogs again.
    connect(this, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus)
            m_silenced = false;
    });
}

bool BrowserPage::isFirstDocument(const QUrl &url)
{
    return url.isEmpty() || url.scheme() == QLatin1String("about");
}

void BrowserPage::setClosing(bool closing)
{
    m_closing = closing;
    if (closing && m_dialog)
        m_dialog->reject();
}

bool BrowserPage::mayShowDialog()
{
    return !m_closing && !m_silenced;
}

bool BrowserPage::runDialog(QDialog &dialog)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool burst = m_lastDialogAt != 0 && now - m_lastDialogAt < DialogBurstMs;
    QCheckBox *stop = nullptr;
    if (auto *box = qobject_cast<QMessageBox *>(&dialog); box && burst) {
        stop = new QCheckBox(tr("Don't let this page show more dialogs"));
        box->setCheckBox(stop);
    }
    m_dialog = &dialog;
    // Not modal: a window that a modal dialog blocks never gets the person's close, and closing
    // the window is what ends a page's dialogs. The page's script waits here all the same.
    QEventLoop answered;
    connect(&dialog, &QDialog::finished, &answered, &QEventLoop::quit);
    dialog.setWindowModality(Qt::NonModal);
    dialog.show();
    answered.exec();
    const int result = dialog.result();
    // A message box ends with the button clicked, other dialogs with Accepted or Rejected.
    const bool accepted = qobject_cast<QMessageBox *>(&dialog) ? result == QMessageBox::Ok : result == QDialog::Accepted;
    m_dialog = nullptr;
    m_lastDialogAt = QDateTime::currentMSecsSinceEpoch();
    if (stop && stop->isChecked()) {
        m_silenced = true;
        qDebug() << "Page dialogs stopped for" << OriginPolicy::nameOf(url());
    }
    return accepted;
}

void BrowserPage::javaScriptAlert(const QUrl &securityOrigin, const QString &message)
{
    if (!mayShowDialog())
        return;
    QMessageBox box(QMessageBox::Information, OriginPolicy::nameOf(securityOrigin), message, QMessageBox::Ok,
                    QWebEngineView::forPage(this));
    box.setTextFormat(Qt::PlainText);
    runDialog(box);
}

bool BrowserPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &message)
{
    if (message == leaveQuestion()) {
        emit leaveQuestionAsked();
        const bool leave = QWebEnginePage::javaScriptConfirm(securityOrigin, message);
        emit leaveQuestionAnswered(leave);
        return leave;
    }
    if (!mayShowDialog())
        return false;
    QMessageBox box(QMessageBox::Question, OriginPolicy::nameOf(securityOrigin), message,
                    QMessageBox::Ok | QMessageBox::Cancel, QWebEngineView::forPage(this));
    box.setTextFormat(Qt::PlainText);
    return runDialog(box);
}

bool BrowserPage::javaScriptPrompt(const QUrl &securityOrigin, const QString &message, const QString &defaultValue,
                                   QString *result)
{
    if (!mayShowDialog())
        return false;
    QInputDialog dialog(QWebEngineView::forPage(this));
    dialog.setWindowTitle(OriginPolicy::nameOf(securityOrigin));
    dialog.setLabelText(message);
    dialog.setTextValue(defaultValue);
    const bool accepted = runDialog(dialog);
    if (accepted)
        *result = dialog.textValue();
    return accepted;
}
