#pragma once

#include <QString>

class QUrl;

// What the page asks for with the "mode" query item of a download URL: "save" when it is
// absent or empty, otherwise the first value as written (case matters).
QString downloadMode(const QUrl &url);
