// salvexa-dfe: the original, signed XML of NF-e by access key from the
// national distribution service, with the company's A1 certificate.

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dfe/Certificado.h"
#include "dfe/Configuracao.h"
#include "dfe/Consulta.h"
#include "dfe/Desfecho.h"
#include "dfe/Transporte.h"
#include "util/Win1252.h"

namespace {

constexpr std::string_view kAjuda = R"(Usage: salvexa-dfe [options] KEY...

Gets the original, signed XML of each NF-e whose 44-digit access key is given
from the national environment's distribution service (NFeDistribuicaoDFe),
with the company's ICP-Brasil A1 certificate (PKCS#12 file), and saves it as
"<access key>-nfe.xml", byte for byte as the service sent it, after checking
that its key is the one asked for and that the issuer's signature verifies.

The certificate's CNPJ (or an e-CPF's CPF) is the one that asks; the service
gives the XML to the parties of the invoice (recipient, carrier, those
authorised in it). Until the recipient registers the acknowledgement of the
operation ("Ciencia da Operacao", event 210210), the service gives only a
summary; --ciencia is the consent to register it in the company's name when
that happens, after which the XML is asked for again.

Keys are queried one after the other. Standard output gets one line per saved
file (its path), standard error one line per key that failed,
"salvexa-dfe: KEY: reason", in the order the keys were given.

Usage guard: the service blocks a CNPJ for an hour after more than 20 queries
in an hour, and each request during the block restarts it. So at most 20
queries are sent in any 60 minutes per CNPJ/CPF, and none until an hour after
the last request once the service has answered "consumo indevido" (656); a
query held back is not sent and says when queries may resume. The count is
kept in $XDG_STATE_HOME/salvexa/ (default ~/.local/state/salvexa/) and shared
by runs at the same time.

Options:
  -o, --output-dir DIR  save the XML files in DIR (default: the current directory)
      --cert FILE       the certificate (PKCS#12, .pfx or .p12; default: $SALVEXA_CERT)
      --ciencia         consent to register the acknowledgement of the operation
                        when the service gives only the summary
      --homologacao     use the services' homologation (test) environment
  -h, --help            show this help and exit
      --version         show the version and exit

Environment:
  SALVEXA_CERT           the certificate file, when --cert is not given
  SALVEXA_CERT_PASSWORD  its password; else it is asked on the terminal
                         (without echo). It is never taken from the command line.
  SALVEXA_DFE_URL        the distribution service's address (default: production,
                         https://www1.nfe.fazenda.gov.br/NFeDistribuicaoDFe/NFeDistribuicaoDFe.asmx)
  SALVEXA_EVENTO_URL     the event service's address (default: production,
                         https://www.nfe.fazenda.gov.br/NFeRecepcaoEvento4/NFeRecepcaoEvento4.asmx)
  SALVEXA_CA             a PEM file of further trusted root certificates, added
                         to the system's and to those shipped with the program
  XDG_STATE_HOME         where the usage guard's state is kept
  https_proxy, no_proxy  the proxy, as libcurl reads them

Exit status (with several keys: the highest of them):
  0   the XML file was saved
  1   only the summary was given: the recipient has not acknowledged the
      operation (see --ciencia)
  2   usage error: bad option, no key, no certificate given, no password and
      no terminal to ask it on, SALVEXA_CA cannot be read
  3   the certificate cannot be used: unreadable file, wrong password, no
      certificate or key in it, expired, no CNPJ/CPF in it
  4   the key is not 44 digits or its check digit is wrong (nothing is sent)
  5   the service has no XML to give: nothing found (137), too old (632), no
      permission for this CNPJ/CPF (640), not available (641), cancelled or
      denied (653/654), another company's CNPJ (593)
  6   held back by the usage guard (nothing sent), or the service blocked
      the CNPJ/CPF for misuse (656)
  7   the service refused the query with another status
  8   the document received is not valid: another key, its signature does
      not verify, a corrupt or oversized docZip, an unknown schema
  9   communication error: connection, TLS (server not trusted, certificate
      refused), time limit, HTTP status, a reply that is not the service's
  10  the file cannot be written
  11  the acknowledgement was registered, but the service has not released
      the XML yet: try again after the time given
  12  the acknowledgement was refused by the service
)";

constexpr int kUso = 2;

struct Argumentos {
  std::vector<std::string> chaves;
  std::string diretorio = ".";
  std::string certificado;
  bool ciencia = false, homologacao = false, ajuda = false, versao = false;
};

int ErroDeUso(const std::string& mensagem) {
  std::cerr << "salvexa-dfe: " << mensagem << "\nTry 'salvexa-dfe --help'.\n";
  return kUso;
}

// Control characters escaped, so that one key's report stays one line.
std::string UmaLinha(std::string_view texto) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string s;
  for (char c : texto) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7f) {
      s += "\\x";
      s += kHex[b >> 4];
      s += kHex[b & 15];
    } else {
      s += c;
    }
  }
  return s;
}

std::optional<int> LerArgumentos(int argc, char** argv, Argumentos& args) {
  bool soChaves = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    const bool opcao = !soChaves && a.size() > 1 && a[0] == '-';
    if (!opcao) {
      args.chaves.emplace_back(a);
    } else if (a == "--") {
      soChaves = true;
    } else if (a == "-h" || a == "--help") {
      args.ajuda = true;
    } else if (a == "--version") {
      args.versao = true;
    } else if (a == "--ciencia") {
      args.ciencia = true;
    } else if (a == "--homologacao") {
      args.homologacao = true;
    } else if (a == "-o" || a == "--output-dir" || a == "--cert") {
      if (i + 1 >= argc) return ErroDeUso("option " + std::string(a) + " needs a value");
      (a == "--cert" ? args.certificado : args.diretorio) = argv[++i];
    } else if (a.starts_with("--output-dir=")) {
      args.diretorio = std::string(a.substr(13));
    } else if (a.starts_with("--cert=")) {
      args.certificado = std::string(a.substr(7));
    } else if (a.starts_with("--senha") || a.starts_with("--password")) {
      return ErroDeUso("the password is never taken from the command line: set SALVEXA_CERT_PASSWORD or type it");
    } else {
      return ErroDeUso("unknown option " + UmaLinha(a));
    }
  }
  if (args.ajuda || args.versao) return std::nullopt;
  if (args.chaves.empty()) return ErroDeUso("missing the access key");
  if (args.diretorio.empty()) return ErroDeUso("empty output directory");
  return std::nullopt;
}

volatile std::sig_atomic_t gSinalNaSenha = 0;  // the one place a signal handler can reach

// The password typed on the terminal without echo; nullopt when there is no terminal.
std::optional<std::string> PerguntarSenha(const std::string& arquivo) {
  const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return std::nullopt;
  termios antes{};
  const bool terminal = tcgetattr(tty, &antes) == 0;
  if (!terminal) {
    ::close(tty);
    return std::nullopt;
  }
  const std::string pergunta = "Senha do certificado " + arquivo + ": ";
  (void)!::write(tty, pergunta.data(), pergunta.size());
  termios semEco = antes;
  semEco.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  semEco.c_lflag |= ICANON;
  // A signal while the echo is off must not leave the terminal without it: the
  // read is interrupted, the echo restored, and then the signal takes effect.
  constexpr int kSinais[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  struct sigaction interromper {
  }, anteriores[std::size(kSinais)];
  interromper.sa_handler = [](int sinal) { gSinalNaSenha = sinal; };
  sigemptyset(&interromper.sa_mask);
  for (std::size_t i = 0; i < std::size(kSinais); ++i) sigaction(kSinais[i], &interromper, &anteriores[i]);
  tcsetattr(tty, TCSAFLUSH, &semEco);
  std::string senha;
  char c = 0;
  while (gSinalNaSenha == 0 && ::read(tty, &c, 1) == 1 && c != '\n') senha += c;
  tcsetattr(tty, TCSAFLUSH, &antes);
  (void)!::write(tty, "\n", 1);
  ::close(tty);
  for (std::size_t i = 0; i < std::size(kSinais); ++i) sigaction(kSinais[i], &anteriores[i], nullptr);
  if (gSinalNaSenha != 0) raise(gSinalNaSenha);
  return senha;
}

}  // namespace

int main(int argc, char** argv) {
  Argumentos args;
  if (const auto status = LerArgumentos(argc, argv, args)) return *status;
  if (args.ajuda) {
    std::cout << kAjuda;
    return std::cout.flush() ? 0 : 1;
  }
  if (args.versao) {
    std::cout << "salvexa-dfe " SALVEXA_VERSAO "\n";
    return std::cout.flush() ? 0 : 1;
  }
  ConfiguracaoDFe config = LerConfiguracaoDFe(args.homologacao ? Ambiente::Homologacao : Ambiente::Producao);
  if (args.certificado.empty()) args.certificado = config.certificado;
  if (args.certificado.empty()) return ErroDeUso("no certificate: give --cert FILE or set SALVEXA_CERT");

  std::optional<std::string> senha = std::move(config.senha);
  if (!senha) senha = PerguntarSenha(args.certificado);
  if (!senha) return ErroDeUso("no password: set SALVEXA_CERT_PASSWORD or run on a terminal to type it");

  const auto relogio = [] { return std::chrono::system_clock::now(); };
  std::optional<Certificado> certificado;
  std::string erroCertificado;
  try {
    certificado = CarregarCertificado(args.certificado, *senha, relogio());
  } catch (const ErroDFe& e) {
    erroCertificado = e.what();
  }
  senha->assign(senha->size(), '\0');

  OpcoesConsulta& opcoes = config.consulta;
  opcoes.pastaSaida = args.diretorio;
  opcoes.ciencia = args.ciencia;
  const OpcoesTransporte& transporte = config.transporte;
  if (const std::string problema = ProblemaConfiguracaoDFe(config); !problema.empty())
    return ErroDeUso(UmaLinha(problema));
  const Postar postar = [&](const std::string& url, const std::string& acao, const std::string& corpo) {
    return PostarSoap(transporte, *certificado, url, acao, corpo);
  };

  int status = 0;
  for (const std::string& chave : args.chaves) {
    ResultadoConsulta r;
    if (!certificado) {
      try {
        ConferirChave(chave);
        r = {Desfecho::Certificado, erroCertificado, ""};
      } catch (const ErroDFe& e) {
        r = {e.desfecho(), e.what(), ""};
      }
    } else {
      r = ConsultarChave(opcoes, *certificado, chave, postar, relogio);
    }
    if (r.desfecho == Desfecho::Salvo) {
      std::cout << r.caminho << '\n' << std::flush;
      if (!std::cout) r = {Desfecho::Gravacao, "the saved file's path could not be printed", ""};
    }
    if (r.desfecho != Desfecho::Salvo)
      std::cerr << "salvexa-dfe: " << UmaLinha(chave) << ": " << UmaLinha(win1252::ParaUtf8(r.mensagem)) << '\n'
                << std::flush;
    status = std::max(status, StatusDeSaida(r.desfecho));
  }
  return status;
}
