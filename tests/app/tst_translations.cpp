#include "app/translations.h"
#include "browser/signindialog.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>

// Which language the dialogs speak, Mirel's texts and Qt's. The run is a French session (see
// main), as a person's desktop would start it; other rows name their language outright.
class TranslationsTest final : public QObject
{
    Q_OBJECT
private slots:
    void dialogsSpeakThePersonsLanguage_data();
    void dialogsSpeakThePersonsLanguage();
};

namespace {
// The sign-in dialog's buttons: Mirel's own "Sign in" and Qt's Cancel.
QStringList signInButtons()
{
    const SignInDialog dialog(SignInDialog::Request{QStringLiteral("intranet.example"), {}, {}, false, false});
    const auto *buttons = dialog.findChild<QDialogButtonBox *>();
    return {buttons->button(QDialogButtonBox::Ok)->text(),
            buttons->button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&'))};
}
} // namespace

void TranslationsTest::dialogsSpeakThePersonsLanguage_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("the session's language, French") << QLocale() << QStringList{"Se connecter", "Annuler"};
    QTest::newRow("German: Qt's only") << QLocale(QLocale::German, QLocale::Germany)
                                       << QStringList{"Sign in", "Abbrechen"};
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << QStringList{"Sign in", "Cancel"};
}

void TranslationsTest::dialogsSpeakThePersonsLanguage()
{
    QFETCH(QLocale, locale);
    {
        const Translations translations(locale);
        QTEST(signInButtons(), "buttons");
    }
    // Gone with the object: nothing is left installed for the next window.
    QCOMPARE(signInButtons(), (QStringList{"Sign in", "Cancel"}));
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
