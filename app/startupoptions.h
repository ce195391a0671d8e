#pragma once

#include <QString>
#include <QUrl>

class ApplicationSettings;

// The window settings start-up applies, as read from the application settings store.
// Only the exact texts count: "1" turns a switch on, "true" does not.
struct StartupOptions
{
    bool enableHighDpi = true;
    QUrl startPage;
    bool showMaximized = true;
    bool hideContextMenu = true;
};

StartupOptions readStartupOptions(const ApplicationSettings &settings, const QString &defaultStartPage);
