#pragma once

#include <QString>
#include <QUrl>

// Addresses as the log and the support report show them. A query, a fragment, a user name or a
// path parameter (";jsessionid=…") can carry a token or a password, and a "data:" address is its
// content: support needs where a page went, never what it carried.

// One address cut to its scheme, host, port and path, whatever its scheme: "data:" keeps only
// its media type ("data:text/csv"), "blob:" only the origin it belongs to, "javascript:" only
// its scheme. A file path keeps its folders, user names included.
QString cleanedAddress(const QString &address);
QUrl cleanedAddress(const QUrl &address);

// `text` with every address in it cleaned as above; an address ends at white space, a quote or
// an angle bracket.
QString withoutSecrets(const QString &text);
