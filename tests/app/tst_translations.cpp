#include "app/translations.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>

// Which language Qt's dialogs speak. The run is a French session (see main), as a person's
// desktop would start it; other rows name their language outright.
class TranslationsTest final : public QObject
{
    Q_OBJECT
private slots:
    void qtButtonsSpeakThePersonsLanguage_data();
    void qtButtonsSpeakThePersonsLanguage();
};

namespace {
QString cancelButtonText()
{
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&'));
}
} // namespace

void TranslationsTest::qtButtonsSpeakThePersonsLanguage_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("the session's language, French") << QLocale() << "Annuler";
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "Abbrechen";
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "Cancel";
}

void TranslationsTest::qtButtonsSpeakThePersonsLanguage()
{
    QFETCH(QLocale, locale);
    {
        const Translations translations(locale);
        QTEST(cancelButtonText(), "cancel");
    }
    // Gone with the object: nothing is left installed for the next window.
    QCOMPARE(cancelButtonText(), QStringLiteral("Cancel"));
}

int main(int argc, char *argv[])
{
    IsolatedEnvironment isolatedEnvironment;
    isolatedEnvironment.applyToThisProcess();
    // The person's languages in order, as a French desktop session sets them.
    qputenv("LANGUAGE", "fr");
    QApplication app(argc, argv);
    TranslationsTest testObject;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&testObject, argc, argv);
}

#include "tst_translations.moc"
