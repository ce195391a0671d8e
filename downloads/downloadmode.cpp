#include "downloadmode.h"

#include <QUrl>
#include <QUrlQuery>

QString downloadMode(const QUrl &url)
{
    const QString mode = QUrlQuery(url).queryItemValue(QStringLiteral("mode"));
    return mode.isEmpty() ? QStringLiteral("save") : mode;
}
