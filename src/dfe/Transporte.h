#pragma once
// HTTPS with the company's certificate (mutual TLS) to the national services.

#include <cstddef>
#include <string>
#include <string_view>

struct Certificado;

struct OpcoesTransporte {
  std::string caExtra;  // a PEM file of further trusted roots (SALVEXA_CA), or empty
  long conexaoSegundos = 15, totalSegundos = 60;
  std::size_t respostaMaxima = 8u << 20;
};

// POSTs `corpo` as SOAP 1.2 with `action` and returns the reply's body (HTTP
// 200 only). TLS 1.2 or later, the client certificate and key from memory; the
// server is verified (peer and host name, never switched off) against the
// system's roots plus the roots shipped with the program plus `caExtra`; the
// proxy comes from the environment as curl reads it; https only, no redirects.
// Throws ErroDFe(Comunicacao) naming what failed: connection, TLS, time limit,
// a reply over `respostaMaxima`, an HTTP status (with a SOAP fault's reason
// when the reply carries one), an unreadable `caExtra`.
std::string PostarSoap(const OpcoesTransporte& opcoes, const Certificado& certificado, const std::string& url,
                       const std::string& action, const std::string& corpo);

// The roots shipped with the program (data/ca/*.pem, embedded at build time).
std::string_view RaizesEmbutidas();
