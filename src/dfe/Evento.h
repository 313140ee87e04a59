#pragma once
// The recipient's acknowledgement of an NF-e ("Ciencia da Operacao", event
// 210210) for the national event service: built, signed with the company's
// certificate, and its reply read.

#include <chrono>
#include <string>
#include <string_view>

#include "dfe/Mensagens.h"

struct Certificado;

inline constexpr const char* kAcaoEvento =
    "http://www.portalfiscal.inf.br/nfe/wsdl/NFeRecepcaoEvento4/nfeRecepcaoEventoNF";

// envEvento 1.00 with one signed evento, as a document of its own (UTF-8, no
// XML declaration): the signature covers infEvento canonicalised where
// envEvento is the root, which is how the service checks it.
// `idLote` is 1 to 15 digits. Throws ErroDFe: ChaveInvalida (key not 44
// digits), Certificado (CNPJ/CPF malformed, key unreadable or unusable),
// EventoRejeitado (idLote malformed).
std::string MontarEnvEventoCiencia(Ambiente ambiente, const Certificado& certificado, const std::string& chave,
                                   std::chrono::system_clock::time_point agora, const std::string& idLote);

// The same envEvento in the whole SOAP 1.2 envelope of the event service.
std::string MontarEventoCiencia(Ambiente ambiente, const Certificado& certificado, const std::string& chave,
                                std::chrono::system_clock::time_point agora, const std::string& idLote);

// Brasília time with its offset, "AAAA-MM-DDThh:mm:ss-03:00" (no daylight
// saving since 2019).
std::string DataHoraBrasilia(std::chrono::system_clock::time_point instante);

struct RespostaEvento {
  int cStatLote = 0;    // of retEnvEvento: 128 when the lot was processed
  int cStat = 0;        // of the event: 135/136 registered, 573 already registered; 0 when the reply has none
  std::string xMotivo;  // of the event, or of the lot when there is no event (Windows-1252)
};

// retEnvEvento wherever it sits (any wrapper, SOAP 1.1, 1.2 or bare).
// Throws ErroDFe(Comunicacao) when the reply is not XML, lacks retEnvEvento or
// has no numeric cStat.
RespostaEvento LerRespostaEvento(std::string_view soap);
