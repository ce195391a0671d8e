#pragma once

#include <QObject>
#include <QString>

// The reference shell's only published object: answers each call with its argument, so a
// page can time a bare web-channel round trip.
class EchoObject final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    QString echo(const QString &text);
};
