#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace {
bool loadAndInstall(QTranslator &translator, const QLocale &locale, const QString &name, const QString &folder)
{
    if (!translator.load(locale, name, QStringLiteral("_"), folder))
        return false;
    QCoreApplication::installTranslator(&translator);
    return true;
}
} // namespace

Translations::Translations(const QLocale &locale)
{
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // A deployed Windows folder has Qt's catalogues merged into one "qt" catalogue beside the
    // program rather than in Qt's own folder.
    if (!loadAndInstall(m_qtBase, locale, QStringLiteral("qtbase"), qtFolder)) {
        loadAndInstall(m_qtBase, locale, QStringLiteral("qt"),
                       QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
    }
    loadAndInstall(m_qtWebEngine, locale, QStringLiteral("qtwebengine"), qtFolder);
    // Mirel's own, built into the program from translations/mirel_<language>.ts. From Qt 6.7 on
    // the build keeps the folder the catalogues were made in as part of their resource path.
    if (!loadAndInstall(m_mirel, locale, QStringLiteral("mirel"), QStringLiteral(":/i18n")))
        loadAndInstall(m_mirel, locale, QStringLiteral("mirel"), QStringLiteral(":/i18n/translations"));
}
