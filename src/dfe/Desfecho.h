#pragma once
// What became of one key asked of the distribution service, and the one error
// type of the service client. Each outcome has its own exit status of
// salvexa-dfe; several keys end with the highest.

#include <stdexcept>
#include <string>

enum class Desfecho {
  Salvo,              // 0  the original saved
  SomenteResumo,      // 1  only the summary (resNFe): the recipient has not acknowledged the operation
  Uso,                // 2  usage: bad option, no certificate given, no password and no terminal
  Certificado,        // 3  unreadable file, wrong password, no certificate, expired, no CNPJ/CPF in it
  ChaveInvalida,      // 4  not 44 digits or wrong check digit: refused before any request
  NaoEncontrado,      // 5  137 nothing found
  ForaDoPrazo,        // 5  632 older than the service keeps
  SemPermissao,       // 5  640 the CNPJ/CPF may not consult this NF-e
  Indisponivel,       // 5  641 not available to the issuer; 653/654 cancelled/denied
  OutraEmpresa,       // 5  593 CNPJ base differs from the certificate's
  Retido,             // 6  held back by the local usage guard (no request sent)
  ConsumoIndevido,    // 6  656 from the service (the guard now blocks for an hour)
  Rejeitado,          // 7  any other cStat
  DocumentoInvalido,  // 8  key differs, signature fails, corrupt/oversized docZip, unknown schema
  Comunicacao,        // 9  connection, TLS, time limit, HTTP status, reply not XML/SOAP, reply too big
  Gravacao,           // 10 the file could not be saved
  CienciaPendente,    // 11 acknowledgement registered, XML not released yet ("try again after HH:MM")
  EventoRejeitado,    // 12 the acknowledgement event was refused
};

// The exit status of salvexa-dfe for the outcome.
int StatusDeSaida(Desfecho desfecho);

// The outcome's name, e.g. "NaoEncontrado" (for logs and tests).
const char* NomeDesfecho(Desfecho desfecho);

// The message is Portuguese in Windows-1252 and says what happened, naming the
// value or the service's status where there is one.
class ErroDFe : public std::runtime_error {
 public:
  ErroDFe(Desfecho d, const std::string& mensagem);
  Desfecho desfecho() const;

 private:
  Desfecho desfecho_;
};
