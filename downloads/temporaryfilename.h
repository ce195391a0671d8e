#pragma once

#include <QString>

// The file name a server suggested, reduced to one plain name that is safe to hand to a shell:
// no folders, no leading dots, none of & | < > ^ % ! " : * ? or control characters, at most
// MaximumSafeNameLength characters with the extension kept, "download" when nothing is left.
QString safeFileName(const QString &suggestedName);

// A new path in the temporary folder: "<tempPath>/{uuid}_<safe name>", unique per call.
QString temporaryDownloadPath(const QString &suggestedName);

// Whether `fileName` has the form of temporaryDownloadPath()'s names: "{uuid}_" and a name.
bool isTemporaryDownloadName(const QString &fileName);

// A QDir name filter for the files whose names start with `fileName`, taken literally: the
// wildcard characters [ * ? in it only match themselves.
QString startsWithNameFilter(const QString &fileName);

constexpr int MaximumSafeNameLength = 120;
