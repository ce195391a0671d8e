#pragma once

#include "applicationsettings.h"

#include <QList>
#include <QString>

// One setting start-up reads, as it reads it, and where its value comes from: for the console
// page and the support report, which show what a station runs with and why.
struct SettingInForce
{
    QString key;
    // Addresses in it are shown without user names, passwords, queries or fragments.
    QString value;
    ApplicationSettings::Source source;
};

// Every setting start-up reads, in a fixed order, with the built-in defaults where none is set.
QList<SettingInForce> settingsInForce(const ApplicationSettings &settings, const QString &defaultStartPage);

// "locked", "user's file", "machine default" or "built-in default".
QString sourceName(ApplicationSettings::Source source);

// `text` with every address ("scheme://…") cut to its scheme, host, port and path: a query or a
// user name can carry a token or a password, which support must never be sent.
QString withoutSecrets(const QString &text);
