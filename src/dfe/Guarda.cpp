#include "dfe/Guarda.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>
#include <vector>

#include "dfe/Desfecho.h"
#include "util/ArquivoDuravel.h"
#include "util/Win1252.h"

namespace {

using namespace std::chrono_literals;
// Events are kept as long as the service keeps the documents, and some more.
constexpr auto kMemoriaEventos = std::chrono::hours(24 * 180);

[[noreturn]] void FalharGravacao(const std::filesystem::path& arquivo, const std::string& motivo) {
  throw ErroDFe(Desfecho::Gravacao, std::string("Não foi possível manter o controle de uso em "_cp) +
                                        win1252::DeUtf8(arquivo.string()) + ": " + win1252::DeUtf8(motivo) +
                                        "; nenhuma consulta foi enviada.");
}

long long Segundos(Instante t) {
  return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}
Instante DeSegundos(long long s) { return Instante(std::chrono::seconds(s)); }

// The state file, text, one fact a line:
//   consulta <unix seconds>          a query sent (the last 60 minutes' are kept)
//   bloqueio <unix seconds>          the service's 656
//   evento <key> <unix seconds>      the acknowledgement sent for the key
struct Estado {
  std::vector<Instante> consultas;
  std::optional<Instante> bloqueio;
  std::map<std::string, Instante> eventos;
  bool ajustado = false;  // entries ahead of the clock were brought back to it
};

Estado Ler(const std::filesystem::path& arquivo, Instante agora) {
  Estado e;
  std::ifstream f(arquivo);
  std::string linha;
  while (std::getline(f, linha)) {
    std::istringstream campos(linha);
    std::string tipo, chave;
    long long s = 0;
    campos >> tipo;
    if (tipo == "evento") campos >> chave;
    if (!(campos >> s)) continue;
    // A clock put back must not leave entries ahead of it that never age.
    const Instante t = std::min(DeSegundos(s), agora);
    if (t != DeSegundos(s)) e.ajustado = true;
    if (tipo == "consulta")
      e.consultas.push_back(t);
    else if (tipo == "bloqueio")
      e.bloqueio = std::max(e.bloqueio.value_or(t), t);
    else if (tipo == "evento" && !chave.empty())
      e.eventos[chave] = t;
  }
  std::sort(e.consultas.begin(), e.consultas.end());
  return e;
}

void Gravar(const std::filesystem::path& arquivo, const Estado& e) {
  std::string texto = "# salvexa-dfe: queries to the distribution service by this CNPJ/CPF\n";
  for (Instante t : e.consultas) texto += "consulta " + std::to_string(Segundos(t)) + "\n";
  if (e.bloqueio) texto += "bloqueio " + std::to_string(Segundos(*e.bloqueio)) + "\n";
  for (const auto& [chave, t] : e.eventos) texto += "evento " + chave + " " + std::to_string(Segundos(t)) + "\n";
  try {
    GravarArquivoDuravel(arquivo.string(), texto);
  } catch (const std::system_error& erro) {
    FalharGravacao(arquivo, erro.code().message());
  }
}

// An exclusive lock on the state's lock file for as long as it lives. The
// state itself is replaced whole by the durable save, so the lock is on a
// file of its own that is never replaced.
class Trava {
 public:
  Trava(const std::filesystem::path& pasta, const std::filesystem::path& trava) {
    std::error_code ec;
    std::filesystem::create_directories(pasta, ec);
    if (ec) FalharGravacao(pasta, ec.message());
    fd_ = ::open(trava.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) FalharGravacao(trava, std::strerror(errno));
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      const int erro = errno;
      ::close(fd_);
      FalharGravacao(trava, std::strerror(erro));
    }
  }
  ~Trava() { ::close(fd_); }  // closing releases the lock
  Trava(const Trava&) = delete;
  Trava& operator=(const Trava&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace

std::filesystem::path PastaDeEstado() {
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg && xdg[0] == '/') return std::filesystem::path(xdg) / "salvexa";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && home[0] ? home : ".") / ".local" / "state" / "salvexa";
}

std::string HoraLocal(Instante instante, Instante agora) {
  const auto hm = [](Instante t, const char* formato) {
    const std::time_t s = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&s, &tm);
    char texto[32];
    std::strftime(texto, sizeof texto, formato, &tm);
    return std::string(texto);
  };
  // Rounded up to the minute: "after 14:05" must not be a minute too early.
  const Instante arredondado = std::chrono::ceil<std::chrono::minutes>(instante);
  if (hm(arredondado, "%Y%m%d") == hm(agora, "%Y%m%d")) return hm(arredondado, "%H:%M");
  return hm(arredondado, "%H:%M de %d/%m");
}

Guarda::Guarda(std::filesystem::path pasta, std::string documento)
    : pasta_(std::move(pasta)),
      arquivo_(pasta_ / ("dfe-" + documento + ".estado")),
      trava_(pasta_ / ("dfe-" + documento + ".trava")),
      documento_(std::move(documento)) {}

void Guarda::ReservarConsulta(Instante agora) {
  Trava trava(pasta_, trava_);
  Estado e = Ler(arquivo_, agora);
  // An hour old is still within the hour: only older queries leave the count.
  std::erase_if(e.consultas, [&](Instante t) { return t < agora - kJanela; });
  // A refusal keeps entries brought back to a clock put back, so they age from now on.
  const auto recusar = [&](const std::string& mensagem) {
    if (e.ajustado) Gravar(arquivo_, e);
    throw ErroDFe(Desfecho::Retido, mensagem);
  };
  if (e.bloqueio) {
    Instante ultima = *e.bloqueio;
    if (!e.consultas.empty()) ultima = std::max(ultima, e.consultas.back());
    const Instante livre = ultima + kJanela;
    if (agora < livre)
      recusar(std::string("Consulta retida: o serviço bloqueou o "_cp) + documento_ +
              " por consumo indevido (656) e cada pedido durante o bloqueio o renova; " +
              std::string("tente novamente após "_cp) + HoraLocal(livre, agora) + ".");
    e.bloqueio.reset();
  }
  if (e.consultas.size() >= static_cast<std::size_t>(kConsultasPorHora)) {
    const Instante livre = e.consultas[e.consultas.size() - kConsultasPorHora] + kJanela;
    recusar(std::string("Consulta retida: já foram feitas "_cp) + std::to_string(kConsultasPorHora) +
            " consultas pelo " + documento_ +
            std::string(" na última hora (o serviço bloquearia o CNPJ/CPF); tente novamente após "_cp) +
            HoraLocal(livre, agora) + ".");
  }
  e.consultas.push_back(agora);
  std::erase_if(e.eventos, [&](const auto& par) { return par.second < agora - kMemoriaEventos; });
  Gravar(arquivo_, e);
}

Instante Guarda::RegistrarBloqueio(Instante agora) {
  Trava trava(pasta_, trava_);
  Estado e = Ler(arquivo_, agora);
  e.bloqueio = agora;
  Gravar(arquivo_, e);
  Instante ultima = agora;
  if (!e.consultas.empty()) ultima = std::max(ultima, e.consultas.back());
  return ultima + kJanela;
}

std::optional<Instante> Guarda::EventoEnviado(const std::string& chave) const {
  Trava trava(pasta_, trava_);
  const Estado e = Ler(arquivo_, Instante::max());
  const auto it = e.eventos.find(chave);
  if (it == e.eventos.end()) return std::nullopt;
  return it->second;
}

void Guarda::RegistrarEvento(const std::string& chave, Instante agora) {
  Trava trava(pasta_, trava_);
  Estado e = Ler(arquivo_, agora);
  e.eventos[chave] = agora;
  Gravar(arquivo_, e);
}
