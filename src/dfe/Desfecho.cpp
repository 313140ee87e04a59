#include "dfe/Desfecho.h"

int StatusDeSaida(Desfecho desfecho) {
  switch (desfecho) {
    case Desfecho::Salvo:
      return 0;
    case Desfecho::SomenteResumo:
      return 1;
    case Desfecho::Uso:
      return 2;
    case Desfecho::Certificado:
      return 3;
    case Desfecho::ChaveInvalida:
      return 4;
    case Desfecho::NaoEncontrado:
    case Desfecho::ForaDoPrazo:
    case Desfecho::SemPermissao:
    case Desfecho::Indisponivel:
    case Desfecho::OutraEmpresa:
      return 5;
    case Desfecho::Retido:
    case Desfecho::ConsumoIndevido:
      return 6;
    case Desfecho::Rejeitado:
      return 7;
    case Desfecho::DocumentoInvalido:
      return 8;
    case Desfecho::Comunicacao:
      return 9;
    case Desfecho::Gravacao:
      return 10;
    case Desfecho::CienciaPendente:
      return 11;
    case Desfecho::EventoRejeitado:
      return 12;
  }
  return 7;
}

const char* NomeDesfecho(Desfecho desfecho) {
  switch (desfecho) {
    case Desfecho::Salvo:
      return "Salvo";
    case Desfecho::SomenteResumo:
      return "SomenteResumo";
    case Desfecho::Uso:
      return "Uso";
    case Desfecho::Certificado:
      return "Certificado";
    case Desfecho::ChaveInvalida:
      return "ChaveInvalida";
    case Desfecho::NaoEncontrado:
      return "NaoEncontrado";
    case Desfecho::ForaDoPrazo:
      return "ForaDoPrazo";
    case Desfecho::SemPermissao:
      return "SemPermissao";
    case Desfecho::Indisponivel:
      return "Indisponivel";
    case Desfecho::OutraEmpresa:
      return "OutraEmpresa";
    case Desfecho::Retido:
      return "Retido";
    case Desfecho::ConsumoIndevido:
      return "ConsumoIndevido";
    case Desfecho::Rejeitado:
      return "Rejeitado";
    case Desfecho::DocumentoInvalido:
      return "DocumentoInvalido";
    case Desfecho::Comunicacao:
      return "Comunicacao";
    case Desfecho::Gravacao:
      return "Gravacao";
    case Desfecho::CienciaPendente:
      return "CienciaPendente";
    case Desfecho::EventoRejeitado:
      return "EventoRejeitado";
  }
  return "?";
}

ErroDFe::ErroDFe(Desfecho d, const std::string& mensagem) : std::runtime_error(mensagem), desfecho_(d) {}

Desfecho ErroDFe::desfecho() const { return desfecho_; }
