#pragma once

#include "settings/settingsinforce.h"

#include <QList>

class QWebEnginePage;

// Shows the settings in force, with where each comes from, on the program's own pages (the
// instrument console), as the log file's path is shown: a script in a world of its own fills the
// table body with id "settings-in-force" on pages loaded from the program's resources only.
void showSettingsOnBundledPages(QWebEnginePage *page, const QList<SettingInForce> &settings);
