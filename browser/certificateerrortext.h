#pragma once

#include <QString>

// What the failure page says about a server certificate the engine refused, by the engine's
// error code (QWebEngineCertificateError::Type): the reason in words, and what an administrator
// does about it, as HTML paragraphs.
namespace CertificateErrorText {
QString reason(int errorCode);
QString adviceHtml(int errorCode, const QString &host);
} // namespace CertificateErrorText
