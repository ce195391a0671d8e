#pragma once

#include <QString>

class OriginPolicy;
class QUrl;

// Whether the desktop would run the file rather than show it, judged by the extension of the
// name it gets on disk (see safeFileName), in any letter case.
bool runsAsProgram(const QString &suggestedName);

// Why a download that `page` asked to open or print must go through the save dialog instead:
// "untrusted page" when the policy does not trust the page (or there is none), "runs as a
// program" for a file the desktop would run; null when it may be handed over.
const char *handOverRefusal(const OriginPolicy &policy, const QUrl &page, const QString &suggestedName);
