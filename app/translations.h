#pragma once

#include <QLocale>
#include <QTranslator>

// Qt's own texts (its dialogs and buttons, the web engine's menu) and Mirel's, in the first of
// the person's languages that has a translation; English otherwise. Installed on the
// application for as long as this object lives, so it is made right after the application.
class Translations final
{
public:
    explicit Translations(const QLocale &locale = QLocale());

private:
    QTranslator m_qtBase;
    QTranslator m_qtWebEngine;
    QTranslator m_mirel;
};
