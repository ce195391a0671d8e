#include "certificateerrortext.h"

#include "loadfailurepage.h"

#include <QDir>
#include <QWebEngineCertificateError>

namespace {
// Where the engine looks for the authorities it trusts besides its built-in ones.
QString trustStoreHtml()
{
#ifdef Q_OS_WIN
    return LoadFailurePage::tr(
        "If the certificate comes from your organization's own certificate authority, an administrator "
        "installs that authority's certificate in the Windows certificate store, under <i>Trusted Root "
        "Certification Authorities</i> of the local computer (<code>certlm.msc</code>, or "
        "<code>certutil -addstore Root ca.crt</code> from an administrator's command prompt), then presses Retry.");
#else
    const QString database = QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/.pki/nssdb")).toHtmlEscaped();
    return LoadFailurePage::tr(
        "If the certificate comes from your organization's own certificate authority, an administrator "
        "installs that authority's certificate in the NSS certificate database of the user who runs Mirel, "
        "<code>%1</code>, with <code>certutil -d sql:%1 -A -t C,, -n \"Organization CA\" -i ca.crt</code> "
        "(certutil comes with the package libnss3-tools), then presses Retry.")
        .arg(database);
#endif
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
        return LoadFailurePage::tr("The server's administrator installs a certificate issued for "
                                   "<code>%1</code>, or the address is changed to the name the certificate "
                                   "was issued for.")
            .arg(host.toHtmlEscaped());
    case QWebEngineCertificateError::CertificateDateInvalid:
        return LoadFailurePage::tr("Check that this computer's date and time are right; if they are, the "
                                   "server's administrator renews the certificate.");
    case QWebEngineCertificateError::CertificateAuthorityInvalid:
        return trustStoreHtml();
    default:
        return LoadFailurePage::tr("The server's administrator replaces the certificate.");
    }
}
