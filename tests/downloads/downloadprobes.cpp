#include "downloadprobes.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileDialog>

FileDialogAnswer::FileDialogAnswer(const QString &choice)
{
    connect(&m_timer, &QTimer::timeout, this, [this, choice] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        ++m_shown;
        m_title = dialog->windowTitle();
        m_proposed = dialog->selectedFiles().value(0);
        if (choice.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(choice);
            // QFileDialog::accept() is protected; QDialog's is the same virtual.
            static_cast<QDialog *>(dialog)->accept();
        }
    });
    m_timer.start(20);
}

void Viewer::open(const QUrl &url)
{
    QFile file(url.toLocalFile());
    file.open(QIODevice::ReadOnly);
    m_paths << url.toLocalFile();
    m_contents << file.readAll();
}

void Viewer::clear()
{
    m_paths.clear();
    m_contents.clear();
}

bool PollTicks::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Timer) {
        const auto *timer = qobject_cast<QTimer *>(watched);
        if (timer && !timer->parent() && timer->interval() == 200)
            ++m_count;
    }
    return false;
}
