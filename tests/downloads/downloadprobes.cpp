#include "downloadprobes.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>

FileDialogAnswer::FileDialogAnswer(const QString &choice)
{
    connect(&m_timer, &QTimer::timeout, this, [this, choice] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        if (dialog != m_answering) {
            m_answering = dialog;
            ++m_shown;
            m_title = dialog->windowTitle();
            m_proposed = dialog->selectedFiles().value(0);
        }
        if (choice.isEmpty()) {
            dialog->reject();
            return;
        }
        // Typed into the name box as a user would: from Qt 6.8 selectFile() leaves that box
        // alone while it has the focus, and the dialog would answer with the proposed name.
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(choice);
        else
            dialog->selectFile(choice);
        // Until the dialog has taken the choice, it is tried again on the next tick.
        if (dialog->selectedFiles().value(0) != choice)
            return;
        // QFileDialog::accept() is protected; QDialog's is the same virtual.
        static_cast<QDialog *>(dialog)->accept();
    });
    m_timer.start(20);
}

void Viewer::open(const QUrl &url)
{
    QFile file(url.toLocalFile());
    m_paths << url.toLocalFile();
    // A file that cannot be read is noted with no content, which the tests compare.
    m_contents << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
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
