#pragma once

#include <QDialog>

class QLineEdit;

// Asks for a user name and password on behalf of a server or a proxy. Everything in it that the
// server chose (the realm) is shown as plain text, never as markup.
class SignInDialog final : public QDialog
{
    Q_OBJECT
public:
    struct Request
    {
        QString host;   // the server, or the proxy when `proxy` is set
        QString target; // with a proxy: the server the page is on the way to
        QString realm;
        bool proxy = false;
        bool refusedBefore = false; // the previous answer to the same question was refused
        QString userName;           // offered again after a refusal
    };

    explicit SignInDialog(const Request &request, QWidget *parent = nullptr);

    QString userName() const;
    QString password() const;

private:
    QLineEdit *m_userName;
    QLineEdit *m_password;
};
