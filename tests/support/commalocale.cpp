#include "commalocale.h"

#include <QDir>
#include <QFile>
#include <QProcess>

bool provideCommaLocale()
{
    const QString folder = QDir::temp().filePath(QStringLiteral("locales"));
    QDir().mkpath(folder);
    // localedef answers 1 for warnings about the locale sources; the locale is still written.
    const int status = QProcess::execute(QStringLiteral("localedef"),
                                         {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                                          QStringLiteral("UTF-8"), folder + QStringLiteral("/de_DE.UTF-8")});
    if (status != 0 && status != 1)
        return false;
    qputenv("LOCPATH", QFile::encodeName(folder));
    return true;
}
