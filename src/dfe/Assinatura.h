#pragma once
// The issuer's signature of an NF-e, checked before the original is saved.

#include <string>

// `xml` is an nfeProc or NFe whose single infNFe has Id "NFe"+chave, signed
// by an enveloped XML-DSig signature (RSA-SHA1 or RSA-SHA256, C14N) whose one
// Reference points at that Id; the digest and the signature value must verify
// with the X509Certificate the document carries. Chain trust is not asked: the
// point is that what the service sent is what the issuer signed.
// Throws ErroDFe(DocumentoInvalido) saying what failed.
void ConferirOriginal(const std::string& xml, const std::string& chave);
