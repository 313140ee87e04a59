// The transport's refusals that need no server; the exchange itself over
// mutual TLS is exercised against the stand-in of the service (e2e_dfe.py).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "CertificadoPki.h"
#include "dfe/Certificado.h"
#include "dfe/Desfecho.h"
#include "dfe/Transporte.h"
#include "util/Win1252.h"

namespace {

std::string Falha(const OpcoesTransporte& opcoes, const std::string& url) {
  try {
    PostarSoap(opcoes, Certificado{}, url, "urn:acao", "<a/>");
  } catch (const ErroDFe& e) {
    EXPECT_EQ(e.desfecho(), Desfecho::Comunicacao) << e.what();
    return win1252::ParaUtf8(e.what());
  }
  ADD_FAILURE() << "no error for " << url;
  return "";
}

// A loopback port nobody listens on: bound, never listened to, and kept so.
class PortaFechada {
 public:
  PortaFechada() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
    porta_ = ntohs(a.sin_port);
  }
  ~PortaFechada() { close(fd_); }
  int porta() const { return porta_; }

 private:
  int fd_;
  int porta_ = 0;
};

TEST(Transporte, ShippedRootsAreTheRepositoryFilesInOrder) {
  std::vector<std::filesystem::path> arquivos;
  for (const auto& e : std::filesystem::directory_iterator(SALVEXA_SOURCE_DIR "/data/ca"))
    if (e.path().extension() == ".pem") arquivos.push_back(e.path());
  std::sort(arquivos.begin(), arquivos.end());
  std::string esperado;
  for (const auto& a : arquivos) {
    std::ifstream f(a);
    std::stringstream s;
    s << f.rdbuf();
    esperado += s.str() + "\n";
  }
  EXPECT_EQ(RaizesEmbutidas(), esperado);
  EXPECT_GE(arquivos.size(), 5u);  // GlobalSign R46, ISRG X1/X2, ICP-Brasil v10 at least
}

TEST(Transporte, RefusedBeforeAnyConnection) {
  const PortaFechada porta;
  const std::string local = "https://127.0.0.1:" + std::to_string(porta.porta()) + "/servico";
  OpcoesTransporte comCaInvalida;
  comCaInvalida.caExtra = SALVEXA_SOURCE_DIR "/README.md";
  OpcoesTransporte comCaAusente;
  comCaAusente.caExtra = "/nao/existe/ca.pem";
  struct Caso {
    OpcoesTransporte opcoes;
    std::string url, trecho;
  } casos[] = {
      {{}, "http://127.0.0.1:" + std::to_string(porta.porta()) + "/servico", "precisa ser https://"},
      {{}, "file:///etc/passwd", "precisa ser https://"},
      {comCaInvalida, local, "SALVEXA_CA"},
      {comCaAusente, local, "SALVEXA_CA"},
      {{}, local, "Falha de comunicação com 127.0.0.1"},
  };
  for (const Caso& caso : casos) {
    const std::string mensagem = Falha(caso.opcoes, caso.url);
    EXPECT_NE(mensagem.find(caso.trecho), std::string::npos) << caso.url << ": " << mensagem;
  }
}

}  // namespace
