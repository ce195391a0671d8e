#include "certificateerrortext.h"

#include "loadfailurepage.h"

#include <QDir>
#include <QWebEngineCertificateError>

namespace {
// Where the engine looks for the authorities it trusts besides its built-in ones. The engine keeps
// its verdict on a server for the whole run, so the advice ends in a restart.
QString trustStoreHtml()
{
#ifdef Q_OS_WIN
    return QStringLiteral("<p>%1</p>\n")
        .arg(LoadFailurePage::tr(
            "If the certificate comes from your organization's own certificate authority, an administrator "
            "installs that authority's certificate in the Windows certificate store, under <i>Trusted Root "
            "Certification Authorities</i> of the local computer (<code>certlm.msc</code>, or "
            "<code>certutil -addstore Root ca.crt</code> from an administrator's command prompt). Mirel checks a "
            "server's certificate once per run: then restart Mirel."));
#else
    const QString database = QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/.pki/nssdb")).toHtmlEscaped();
    // Safe to run again and from a script: the database is made only when missing, since
    // certutil -N on an existing one asks for its password.
    const QString commands = QStringLiteral("mkdir -p ~/.pki/nssdb\n"
                                            "test -f ~/.pki/nssdb/cert9.db || "
                                            "certutil -N -d sql:$HOME/.pki/nssdb --empty-password\n"
                                            "certutil -A -d sql:$HOME/.pki/nssdb -t C,, -n \"Organization CA\" -i ca.crt");
    return QStringLiteral("<p>%1</p>\n<pre id=\"commands\">%2</pre>\n<p>%3</p>\n")
        .arg(LoadFailurePage::tr(
                 "If the certificate comes from your organization's own certificate authority, an administrator "
                 "installs that authority's certificate (<code>ca.crt</code> below) in the NSS certificate database "
                 "of the user who runs Mirel, <code>%1</code>, with these commands run as that user (certutil comes "
                 "with the package libnss3-tools):")
                 .arg(database),
             commands.toHtmlEscaped(),
             LoadFailurePage::tr("Mirel checks a server's certificate once per run: then restart Mirel."));
#endif
}

QString paragraph(const QString &html)
{
    return QStringLiteral("<p>%1</p>\n").arg(html);
}
} // namespace

QString CertificateErrorText::reason(int errorCode)
{
    switch (errorCode) {
    case QWebEngineCertificateError::CertificateCommonNameInvalid:
        return LoadFailurePage::tr("the certificate was issued for another name than the server's");
    case QWebEngineCertificateError::CertificateDateInvalid:
        return LoadFailurePage::tr("the certificate has expired, or is not valid yet");
    case QWebEngineCertificateError::CertificateAuthorityInvalid:
        return LoadFailurePage::tr("the certificate was issued by an authority that this computer does not know "
                                   "(an unknown issuer, or a self-signed certificate)");
    case QWebEngineCertificateError::CertificateRevoked:
        return LoadFailurePage::tr("the certificate was revoked by its issuer");
    case QWebEngineCertificateError::CertificateWeakSignatureAlgorithm:
        return LoadFailurePage::tr("the certificate is signed with an algorithm that is no longer safe");
    case QWebEngineCertificateError::CertificateWeakKey:
        return LoadFailurePage::tr("the certificate's key is too weak");
    case QWebEngineCertificateError::CertificateNameConstraintViolation:
        return LoadFailurePage::tr("the certificate names a server that its issuer may not certify");
    case QWebEngineCertificateError::CertificateValidityTooLong:
        return LoadFailurePage::tr("the certificate is valid for too long a time");
    case QWebEngineCertificateError::CertificateNonUniqueName:
        return LoadFailurePage::tr("the certificate was issued for a name that is not unique");
    default:
        return LoadFailurePage::tr("the certificate is not valid");
    }
}

QString CertificateErrorText::adviceHtml(int errorCode, const QString &host)
{
    switch (errorCode) {
    case QWebEngineCertificateError::CertificateCommonNameInvalid:
        return paragraph(LoadFailurePage::tr("The server's administrator installs a certificate issued for "
                                             "<code>%1</code>, or the address is changed to the name the "
                                             "certificate was issued for.")
                             .arg(host.toHtmlEscaped()));
    case QWebEngineCertificateError::CertificateDateInvalid:
        return paragraph(LoadFailurePage::tr("Check that this computer's date and time are right; if they are, "
                                             "the server's administrator renews the certificate."));
    case QWebEngineCertificateError::CertificateAuthorityInvalid:
        return trustStoreHtml();
    default:
        return paragraph(LoadFailurePage::tr("The server's administrator replaces the certificate."));
    }
}
