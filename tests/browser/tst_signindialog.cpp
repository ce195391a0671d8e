#include "browser/signindialog.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

// The sign-in dialog's texts; tst_signin_e2e types into it.
class SignInDialogTest final : public QObject
{
    Q_OBJECT
private slots:
    void showsTheServersWordsAsPlainText_data();
    void showsTheServersWordsAsPlainText();
};

void SignInDialogTest::showsTheServersWordsAsPlainText_data()
{
    QTest::addColumn<bool>("proxy");
    QTest::addColumn<bool>("refusedBefore");
    QTest::addColumn<QString>("realm");
    QTest::addColumn<QString>("question");

    QTest::newRow("server, markup in the realm")
        << false << false << QStringLiteral("Lab <b>bench</b> &amp; <img src=x onerror=alert(1)>")
        << QStringLiteral("The server intranet.example:8080 asks you to sign in.");
    QTest::newRow("proxy") << true << false << QStringLiteral("Gateway")
                           << QStringLiteral("The proxy intranet.example:8080 asks you to sign in before it lets "
                                             "Mirel reach app.example.");
    QTest::newRow("no realm") << false << false << QString()
                              << QStringLiteral("The server intranet.example:8080 asks you to sign in.");
    QTest::newRow("asked again after a refusal")
        << false << true << QStringLiteral("<i>Lab</i>")
        << QStringLiteral("The server intranet.example:8080 asks you to sign in.");
}

void SignInDialogTest::showsTheServersWordsAsPlainText()
{
    QFETCH(bool, proxy);
    QFETCH(bool, refusedBefore);
    QFETCH(QString, realm);
    QFETCH(QString, question);

    const SignInDialog::Request request{QStringLiteral("intranet.example:8080"), QStringLiteral("app.example"), realm,
                                        proxy, refusedBefore};
    SignInDialog dialog(request);
    for (const QLabel *label : dialog.findChildren<QLabel *>()) {
        if (!label->objectName().isEmpty())
            QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("question"))->text(), question);
    const QLabel *realmLabel = dialog.findChild<QLabel *>(QStringLiteral("realm"));
    QCOMPARE(realmLabel != nullptr, !realm.isEmpty());
    if (realmLabel)
        QCOMPARE(realmLabel->text(), realm);
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("refused")) != nullptr, refusedBefore);
    const QList<QLineEdit *> fields = dialog.findChildren<QLineEdit *>();
    QCOMPARE(fields.size(), 2);
    QCOMPARE(fields.last()->echoMode(), QLineEdit::Password);
}

MIREL_TEST_MAIN(SignInDialogTest)
#include "tst_signindialog.moc"
