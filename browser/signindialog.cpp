#include "signindialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel *plainLabel(const QString &text, const QString &name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}
} // namespace

SignInDialog::SignInDialog(const Request &request, QWidget *parent)
    : QDialog(parent)
    , m_userName(new QLineEdit(this))
    , m_password(new QLineEdit(this))
{
    setWindowTitle(tr("Sign in"));
    setMinimumWidth(380);
    const QString question = request.proxy
            ? tr("The proxy %1 asks you to sign in before it lets Mirel reach %2.").arg(request.host, request.target)
            : tr("The server %1 asks you to sign in.").arg(request.host);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(plainLabel(question, QStringLiteral("question"), this));
    if (request.refusedBefore) {
        layout->addWidget(plainLabel(tr("The user name or password was not accepted. Please try again."),
                                     QStringLiteral("refused"), this));
    }

    auto *form = new QFormLayout;
    if (!request.realm.isEmpty())
        form->addRow(tr("Realm:"), plainLabel(request.realm, QStringLiteral("realm"), this));
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(tr("User name:"), m_userName);
    form->addRow(tr("Password:"), m_password);
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *signIn = buttons->button(QDialogButtonBox::Ok);
    signIn->setText(tr("Sign in"));
    signIn->setDefault(true);
    // Return with no user name typed would send empty credentials: it does nothing instead.
    signIn->setEnabled(false);
    connect(m_userName, &QLineEdit::textChanged, signIn,
            [signIn](const QString &text) { signIn->setEnabled(!text.isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // After a refusal the name is usually right and the password mistyped.
    m_userName->setText(request.userName);
    if (request.userName.isEmpty())
        m_userName->setFocus();
    else
        m_password->setFocus();
}

QString SignInDialog::userName() const
{
    return m_userName->text();
}

QString SignInDialog::password() const
{
    return m_password->text();
}
