#pragma once
// The company's A1 certificate: a PKCS#12 file and its password.

#include <chrono>
#include <string>
#include <string_view>

struct Certificado {
  std::string documento;  // the CNPJ (14 digits) or, for an e-CPF, the CPF (11 digits)
  bool cpf = false;
  std::string titular;  // the subject's common name, for messages only (Windows-1252)
  std::chrono::system_clock::time_point validoAte;
  std::string certificadoPem, chavePem, certificadoDer;
  std::string cadeiaPem;  // the authorities the file carries besides the certificate, sent along in the handshake
};

// Reads the PKCS#12 file, also one made with the legacy encryption of older
// issuers (RC2-40). The CNPJ comes from the subject alternative name (otherName
// 2.16.76.1.3.3), an e-CPF's CPF from otherName 2.16.76.1.3.1 (after the birth
// date); never from the common name. Throws ErroDFe(Certificado) with a message
// of its own for an unreadable file, a wrong password, a file that holds no
// certificate or no key, a certificate expired at `agora` or not yet valid, and
// one without CNPJ/CPF.
Certificado CarregarCertificado(const std::string& arquivoPfx, const std::string& senha,
                                std::chrono::system_clock::time_point agora);

// What a PEM certificate says of its holder: documento, cpf, titular, validoAte,
// certificadoPem and certificadoDer (no key, no date check). Throws
// ErroDFe(Certificado) for text that is no certificate or one without CNPJ/CPF.
Certificado DescreverCertificadoPem(std::string_view pem);
