#pragma once

#include <QString>

class QWebEnginePage;

// Shows the log file's path on the program's own pages (the instrument console), which cannot
// find it themselves: a script in a world of its own fills the element with id "log-file" on pages
// loaded from the program's resources. Pages from anywhere else never see the path.
void showLogFileOnBundledPages(QWebEnginePage *page, const QString &path);

// Runs `script` (a statement) in a world of its own once each page loaded from the program's
// resources is ready, and never on any other page; `name` tells the scripts apart.
void runOnBundledPages(QWebEnginePage *page, const QString &name, const QString &script);
