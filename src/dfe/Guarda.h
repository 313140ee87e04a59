#pragma once
// The usage guard. The service blocks a CNPJ for an hour after more than 20
// queries by key in an hour, and every request during the block restarts the
// hour; so queries are counted here, per CNPJ/CPF, in a small state file that
// runs at the same time share under a lock. A query the guard holds back never
// reaches the service.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

using Instante = std::chrono::system_clock::time_point;

// $XDG_STATE_HOME/salvexa (when absolute), else ~/.local/state/salvexa.
std::filesystem::path PastaDeEstado();

class Guarda {
 public:
  static constexpr int kConsultasPorHora = 20;
  static constexpr std::chrono::minutes kJanela{60};

  // State of `documento` (the certificate's CNPJ or CPF, digits only) in `pasta`.
  Guarda(std::filesystem::path pasta, std::string documento);

  // Records one query about to be sent at `agora`, or throws ErroDFe(Retido)
  // saying when (local time) queries may resume: 20 queries already in the
  // last 60 minutes, or a block by the service not yet an hour past the last
  // request. ErroDFe(Gravacao) when the state cannot be kept: then nothing may
  // be sent either.
  void ReservarConsulta(Instante agora);

  // The service answered 656 at `agora`: no request until an hour after the
  // last one. Returns that instant.
  Instante RegistrarBloqueio(Instante agora);

  // When the acknowledgement of `chave` was sent, if it was.
  std::optional<Instante> EventoEnviado(const std::string& chave) const;
  // Records the acknowledgement of `chave` as registered by the service at
  // `agora`, so that it is never sent again.
  void RegistrarEvento(const std::string& chave, Instante agora);

  const std::filesystem::path& arquivo() const { return arquivo_; }

 private:
  std::filesystem::path pasta_, arquivo_, trava_;
  std::string documento_;
};

// "14:05", or "14:05 de 11/12" when not today, in local time.
std::string HoraLocal(Instante instante, Instante agora);
