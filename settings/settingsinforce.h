#pragma once

#include "applicationsettings.h"

#include <QList>
#include <QString>

// One setting start-up reads, as it reads it, and where its value comes from: for the console
// page and the support report, which show what a station runs with and why.
struct SettingInForce
{
    QString key;
    // Addresses in it are cleaned as the log and the support report show them.
    QString value;
    ApplicationSettings::Source source;
};

// Every setting start-up reads, in a fixed order, with the built-in defaults where none is set.
QList<SettingInForce> settingsInForce(const ApplicationSettings &settings, const QString &defaultStartPage);

// "locked", "user's file", "machine default" or "built-in default".
QString sourceName(ApplicationSettings::Source source);
