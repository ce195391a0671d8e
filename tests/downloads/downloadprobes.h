#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUrl>

class QFileDialog;

// Stand-ins and observers for DownloadManager tests inside the test process.

// Answers file dialogs as a user would: picks `choice`, or refuses when it is empty.
class FileDialogAnswer final : public QObject
{
public:
    explicit FileDialogAnswer(const QString &choice);
    int shown() const { return m_shown; }
    QString title() const { return m_title; }
    QString proposed() const { return m_proposed; }

private:
    QTimer m_timer;
    QPointer<QFileDialog> m_answering; // the dialog seen last, counted once
    int m_shown = 0;
    QString m_title;
    QString m_proposed;
};

// Stands in for the desktop's viewer: notes each file it is given and what it held then.
class Viewer final : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void open(const QUrl &url);
    void clear();
    QStringList paths() const { return m_paths; }
    QList<QByteArray> contents() const { return m_contents; }

private:
    QStringList m_paths;
    QList<QByteArray> m_contents;
};

// Counts ticks of the 200 ms poll timers, which have no parent.
class PollTicks final : public QObject
{
public:
    int count() const { return m_count; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_count = 0;
};
