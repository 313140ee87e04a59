#pragma once
// One access key end to end: the key checked, the usage guard, the query, the
// reply read by cStat, the original's key and signature checked and saved; with
// consent, the recipient's acknowledgement when only the summary comes.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "dfe/Desfecho.h"
#include "dfe/Mensagens.h"

struct Certificado;

// The national services' addresses.
inline constexpr const char* kUrlDistribuicaoProducao =
    "https://www1.nfe.fazenda.gov.br/NFeDistribuicaoDFe/NFeDistribuicaoDFe.asmx";
inline constexpr const char* kUrlDistribuicaoHomologacao =
    "https://hom1.nfe.fazenda.gov.br/NFeDistribuicaoDFe/NFeDistribuicaoDFe.asmx";
inline constexpr const char* kUrlEventoProducao =
    "https://www.nfe.fazenda.gov.br/NFeRecepcaoEvento4/NFeRecepcaoEvento4.asmx";
inline constexpr const char* kUrlEventoHomologacao =
    "https://hom1.nfe.fazenda.gov.br/NFeRecepcaoEvento4/NFeRecepcaoEvento4.asmx";

struct OpcoesConsulta {
  Ambiente ambiente = Ambiente::Producao;
  std::string urlDistribuicao = kUrlDistribuicaoProducao;
  std::string urlEvento = kUrlEventoProducao;
  std::filesystem::path pastaSaida = ".";
  std::filesystem::path pastaEstado;  // the usage guard's state
  bool ciencia = false;               // consent to register the acknowledgement (event 210210)
  // When set, asked for the consent instead of `ciencia`, and only when the
  // service gives just the summary and no acknowledgement was sent before: a
  // person answers it while the query waits, so no query is spent on asking.
  std::function<bool()> pedirCiencia;
};

// Sends one SOAP message and returns the reply (PostarSoap in the program; a
// stand-in in tests). Throws ErroDFe(Comunicacao).
using Postar = std::function<std::string(const std::string& url, const std::string& action, const std::string& corpo)>;
using Relogio = std::function<std::chrono::system_clock::time_point()>;

struct ResultadoConsulta {
  Desfecho desfecho = Desfecho::Salvo;
  std::string mensagem;  // Portuguese, Windows-1252; empty when saved
  std::string caminho;   // the saved file when Salvo
};

// How long the service is given to release the original after the
// acknowledgement before the next try is suggested.
inline constexpr std::chrono::minutes kEsperaLiberacao{60};

// Never throws ErroDFe: every outcome is in the result. Nothing is written to
// the output directory unless the original is saved whole.
ResultadoConsulta ConsultarChave(const OpcoesConsulta& opcoes, const Certificado& certificado, const std::string& chave,
                                 const Postar& postar, const Relogio& relogio);

// Throws ErroDFe(ChaveInvalida) unless `chave` is 44 digits with the right check digit.
void ConferirChave(const std::string& chave);
