#include "browser/signindialog.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

// The sign-in dialog's texts, and the keys a person uses in it.
class SignInDialogTest final : public QObject
{
    Q_OBJECT
private slots:
    void showsTheServersWordsAsPlainText_data();
    void showsTheServersWordsAsPlainText();
    void returnSignsInOnlyWithAUserName_data();
    void returnSignsInOnlyWithAUserName();
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
}

void SignInDialogTest::returnSignsInOnlyWithAUserName_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("lastKey");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("name and password, Return")
        << QStringLiteral("ann") << QStringLiteral("s3cret") << int(Qt::Key_Return) << true;
    QTest::newRow("name only, Return") << QStringLiteral("ann") << QString() << int(Qt::Key_Return) << true;
    QTest::newRow("nothing typed, Return") << QString() << QString() << int(Qt::Key_Return) << false;
    QTest::newRow("password only, Return") << QString() << QStringLiteral("s3cret") << int(Qt::Key_Return) << false;
    QTest::newRow("typed, Escape") << QStringLiteral("ann") << QStringLiteral("s3cret") << int(Qt::Key_Escape) << false;
}

void SignInDialogTest::returnSignsInOnlyWithAUserName()
{
    QFETCH(QString, userName);
    QFETCH(QString, password);
    QFETCH(int, lastKey);
    QFETCH(bool, accepted);

    SignInDialog dialog(SignInDialog::Request{QStringLiteral("intranet.example"), QString(), QStringLiteral("Lab")});
    dialog.show();
    // Typed where the focus is: the user name field first, then Tab to the masked password.
    QWidget *userNameField = dialog.focusWidget();
    QTest::keyClicks(userNameField, userName);
    QTest::keyClick(userNameField, Qt::Key_Tab);
    auto *passwordField = qobject_cast<QLineEdit *>(dialog.focusWidget());
    QVERIFY(passwordField && passwordField != userNameField);
    QCOMPARE(passwordField->echoMode(), QLineEdit::Password);
    QTest::keyClicks(passwordField, password);
    QTest::keyClick(passwordField, Qt::Key(lastKey));

    QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    QCOMPARE(dialog.isVisible(), !accepted && lastKey == Qt::Key_Return);
    QCOMPARE(dialog.userName(), userName);
    QCOMPARE(dialog.password(), password);
}

MIREL_TEST_MAIN(SignInDialogTest)
#include "tst_signindialog.moc"
