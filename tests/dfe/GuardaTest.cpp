// The usage guard with an injected clock: 20 queries in any 60 minutes, the
// hour after the service's 656, events remembered, and the state shared by
// runs at the same time.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "CertificadoPki.h"
#include "dfe/Desfecho.h"
#include "dfe/Guarda.h"
#include "util/Win1252.h"

namespace {

using namespace std::chrono_literals;
const Instante kInicio{std::chrono::seconds(1773144000)};  // 2026-03-10 12:00:00 UTC
const std::string kCnpj = "11222333000181";

class GuardaTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    tzAnterior_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (tzAnterior_)
      setenv("TZ", tzAnterior_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  // The message of the refusal, or "" when the query was let through.
  std::string Reservar(Instante agora) {
    try {
      Guarda(pasta_.caminho(), kCnpj).ReservarConsulta(agora);  // a new object each time, as a new run would
      return "";
    } catch (const ErroDFe& e) {
      EXPECT_EQ(e.desfecho(), Desfecho::Retido);
      return win1252::ParaUtf8(e.what());
    }
  }
  teste::PastaTemporaria pasta_;
  std::optional<std::string> tzAnterior_;
};

TEST_F(GuardaTest, TwentyQueriesInAnySixtyMinutes) {
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Reservar(kInicio + i * 90s), "") << i;  // the last at 12:28:30
  const std::string retida = Reservar(kInicio + 40min);
  EXPECT_NE(retida.find("20 consultas"), std::string::npos) << retida;
  EXPECT_NE(retida.find("após 13:00"), std::string::npos) << retida;
  EXPECT_NE(Reservar(kInicio + 60min), "");        // the first one is exactly an hour old: still counts
  EXPECT_EQ(Reservar(kInicio + 60min + 1s), "");   // now it has left the window
  EXPECT_NE(Reservar(kInicio + 60min + 2s), "");   // and that slot is taken again
  EXPECT_EQ(Reservar(kInicio + 61min + 31s), "");  // the second one (12:01:30) has left too
}

TEST_F(GuardaTest, AfterTheServiceBlocksNothingIsAskedForAnHour) {
  ASSERT_EQ(Reservar(kInicio), "");
  ASSERT_EQ(Reservar(kInicio + 10min), "");
  const Instante livre = Guarda(pasta_.caminho(), kCnpj).RegistrarBloqueio(kInicio + 10min);
  EXPECT_EQ(livre, kInicio + 70min);
  // A second run asks nothing: the block is in the shared state.
  const std::string retida = Reservar(kInicio + 69min);
  EXPECT_NE(retida.find("656"), std::string::npos) << retida;
  EXPECT_NE(retida.find("após 13:10"), std::string::npos) << retida;
  EXPECT_EQ(Reservar(kInicio + 70min), "");
  EXPECT_EQ(Reservar(kInicio + 71min), "");  // the block is over, not renewed by the query let through
}

TEST_F(GuardaTest, TheAcknowledgementIsRememberedPerKey) {
  const std::string chave = "35261104252011000110550010000000011000079196";
  EXPECT_FALSE(Guarda(pasta_.caminho(), kCnpj).EventoEnviado(chave));
  Guarda(pasta_.caminho(), kCnpj).RegistrarEvento(chave, kInicio);
  ASSERT_EQ(Reservar(kInicio + 1min), "");  // other writes keep it
  EXPECT_EQ(Guarda(pasta_.caminho(), kCnpj).EventoEnviado(chave), kInicio);
  EXPECT_FALSE(Guarda(pasta_.caminho(), kCnpj).EventoEnviado(chave.substr(0, 43) + "0"));
  EXPECT_FALSE(Guarda(pasta_.caminho(), "99888777000166").EventoEnviado(chave));  // per CNPJ
}

TEST_F(GuardaTest, EachCnpjHasItsOwnCount) {
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Reservar(kInicio + i * 1s), "");
  EXPECT_NO_THROW(Guarda(pasta_.caminho(), "99888777000166").ReservarConsulta(kInicio + 30s));
}

TEST_F(GuardaTest, AClockPutBackDoesNotFreeTheCount) {
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Reservar(kInicio + 5h + i * 1s), "");
  EXPECT_NE(Reservar(kInicio), "");  // entries ahead of the clock count as now
  EXPECT_EQ(Reservar(kInicio + 60min + 1s), "");
}

TEST_F(GuardaTest, TwoRunsAtOnceShareTheCount) {
  // Two processes, 15 queries each at the same moment: 20 pass in all.
  const pid_t filho = fork();
  ASSERT_GE(filho, 0);
  int minhas = 0;
  for (int i = 0; i < 15; ++i) {
    try {
      Guarda(pasta_.caminho(), kCnpj).ReservarConsulta(kInicio + i * 1s);
      ++minhas;
    } catch (const ErroDFe&) {
    }
  }
  if (filho == 0) _exit(minhas);
  int status = 0;
  ASSERT_EQ(waitpid(filho, &status, 0), filho);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(minhas + WEXITSTATUS(status), 20);
  std::ifstream estado(Guarda(pasta_.caminho(), kCnpj).arquivo());
  std::stringstream texto;
  texto << estado.rdbuf();
  std::size_t linhas = 0;
  for (std::size_t p = 0; (p = texto.str().find("consulta ", p)) != std::string::npos; ++p) ++linhas;
  EXPECT_EQ(linhas, 20u);
}

TEST_F(GuardaTest, StateThatCannotBeKeptLetsNothingThrough) {
  const std::string arquivo = pasta_ / "arquivo";
  std::ofstream(arquivo) << "x";
  try {
    Guarda(std::filesystem::path(arquivo) / "salvexa", kCnpj).ReservarConsulta(kInicio);
    FAIL() << "no error";
  } catch (const ErroDFe& e) {
    EXPECT_EQ(e.desfecho(), Desfecho::Gravacao);
    EXPECT_NE(win1252::ParaUtf8(e.what()).find("nenhuma consulta foi enviada"), std::string::npos) << e.what();
  }
}

TEST(PastaDeEstado, XdgStateHomeOrTheDefaultUnderHome) {
  const auto restaurar = [](const char* nome, const char* valor) {
    if (valor)
      setenv(nome, valor, 1);
    else
      unsetenv(nome);
  };
  const char* xdg = std::getenv("XDG_STATE_HOME");
  const std::string xdgAnterior = xdg ? xdg : "";
  const char* home = std::getenv("HOME");
  const std::string homeAnterior = home ? home : "";
  setenv("HOME", "/home/fulano", 1);
  setenv("XDG_STATE_HOME", "/var/estado", 1);
  EXPECT_EQ(PastaDeEstado(), "/var/estado/salvexa");
  setenv("XDG_STATE_HOME", "relativo", 1);  // not absolute: ignored, as the base directory rules say
  EXPECT_EQ(PastaDeEstado(), "/home/fulano/.local/state/salvexa");
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(PastaDeEstado(), "/home/fulano/.local/state/salvexa");
  restaurar("XDG_STATE_HOME", xdg ? xdgAnterior.c_str() : nullptr);
  restaurar("HOME", home ? homeAnterior.c_str() : nullptr);
}

}  // namespace
