#pragma once

#include <QRect>
#include <QString>
#include <QUrl>

class ApplicationSettings;
class QWebEngineView;

// Where the start page's address comes from, for the page shown when it cannot be loaded:
// what the person at the screen would change to reach another server.
struct StartPageSource
{
    // The settings file's full path, named whichever way the address came.
    QString settingsFile;
    // Its Server key named the start page; otherwise the page is the build's built-in one.
    bool fromSetting = false;
    // The built-in page's host is a reserved .example name: this build names no server.
    bool placeholderHost = false;
};

// The window settings start-up applies, as read from the application settings store.
// Only the exact texts count: "1" turns a switch on, "true" does not.
struct StartupOptions
{
    bool enableHighDpi = true;
    QUrl startPage;
    bool showMaximized = true;
    bool hideContextMenu = true;
    // Space-separated origins whose pages may use the bridge besides the start page's own.
    QString trustedOrigins;
    // Space-separated schemes (sms, callto) that trusted pages may hand to the desktop besides
    // mailto and tel; only an administrator sets them.
    QString externalSchemes;
    // "DeveloperTools" "1": F12 and the context menu's Inspect open the engine's developer tools.
    bool developerTools = false;
    StartPageSource startPageSource;
    // What the person left at the end of an earlier run: the window's size and position while it
    // was not maximized ("WindowGeometry", "x,y,width,height"; null when none is kept or the text
    // is not four whole numbers with a positive size) and the page's zoom ("ZoomFactor", 1 when
    // none is kept or it is not a number the engine takes, 0.25 to 5).
    QRect windowGeometry;
    qreal zoomFactor = 1.0;
};

// Whether the pages' profile keeps its lasting cookies, local storage and HTTP cache on disk for
// the next start: "RememberBrowsingData" other than "1" keeps nothing. Read before the window
// exists, since its page is made with the profile; an unparsable store remembers unless locked.
bool readRemembersBrowsingData(const ApplicationSettings &settings);

// A user's file that cannot be parsed counts as empty: every option takes its locked value or default.
StartupOptions readStartupOptions(const ApplicationSettings &settings, const QString &defaultStartPage);

// Applies the options in start-up's order: high-DPI attribute, the kept zoom and geometry (moved
// onto a screen that is there), start page (loaded at once), maximized state, context menu. The
// window (the view's) is not shown yet.
void applyStartupOptions(const StartupOptions &options, QWebEngineView &view);
