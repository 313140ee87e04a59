// One key end to end with the service replaced by canned replies: each cStat's
// outcome, the original checked and saved byte for byte, nothing written on a
// failure, the guard consulted before any request, and the acknowledgement
// sent only with consent and only once.

#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CertificadoPki.h"
#include "dfe/Certificado.h"
#include "dfe/Consulta.h"
#include "dfe/Desfecho.h"
#include "dfe/Evento.h"
#include "dfe/Guarda.h"
#include "util/Win1252.h"

namespace {

using namespace std::chrono_literals;
const std::string kDados = SALVEXA_SOURCE_DIR "/tests/dfe/dados/";
const std::string kChave = "35111253420477000192550550000033071213028272";
const std::string kOriginal = kDados + "assinadas/uninfe_" + kChave + "-procNFe.xml";
const Instante kAgora{std::chrono::seconds(1773144000)};

std::string Ler(const std::string& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string RespostaDistribuicao(int cStat, const std::string& documentos = "") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/"
         "soap-envelope\"><soap:Body><nfeDistDFeInteresseResponse xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/"
         "NFeDistribuicaoDFe\"><nfeDistDFeInteresseResult><retDistDFeInt versao=\"1.01\" "
         "xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>1</tpAmb><verAplic>1.7.6</verAplic><cStat>" +
         std::to_string(cStat) + "</cStat><xMotivo>Motivo " + std::to_string(cStat) +
         "</xMotivo><dhResp>2026-03-10T09:00:00-03:00</dhResp>" + documentos +
         "</retDistDFeInt></nfeDistDFeInteresseResult></nfeDistDFeInteresseResponse></soap:Body></soap:Envelope>";
}

class ConsultaTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    pki_ = new teste::PastaTemporaria;
    const std::string pfx =
        teste::CriarPfx(*pki_, "ecnpj", "EMPRESA TESTE LTDA", teste::OutrosNomesEcnpj(kCnpj), "senha", "", "rsa:2048");
    cert_ = CarregarCertificado(pfx, "senha", std::chrono::system_clock::now());
  }
  static void TearDownTestSuite() { delete pki_; }

  void SetUp() override {
    std::filesystem::create_directory(pasta_.caminho() / "saida");
    opcoes_.pastaSaida = pasta_.caminho() / "saida";
    opcoes_.pastaEstado = pasta_.caminho() / "estado";
    opcoes_.urlDistribuicao = "https://dist.invalid/";
    opcoes_.urlEvento = "https://evento.invalid/";
  }

  // A docZip element: base64 of the gzip of the file.
  std::string DocZip(const std::string& arquivo, const std::string& schema) {
    const std::string b64 = pasta_ / "doc.b64";
    teste::Executar("gzip -nc '" + arquivo + "' | base64 -w0 > '" + b64 + "'");
    return "<loteDistDFeInt><docZip schema=\"" + schema + "\">" + Ler(b64) + "</docZip></loteDistDFeInt>";
  }
  std::string Original(const std::string& arquivo = kOriginal) { return DocZip(arquivo, "procNFe_v4.00.xsd"); }
  std::string Resumo() { return DocZip(kDados + "resNFe_real_from_consChNFe_2026.xml", "resNFe_v1.01.xsd"); }
  static std::string Evento(int cStat) {
    std::string r = Ler(kDados + "retEnvEvento_135_210210_realRetEvento_soap12_DERIVED.xml");
    const std::string de = "<cStat>135</cStat>";
    return r.replace(r.find(de), de.size(), "<cStat>" + std::to_string(cStat) + "</cStat>");
  }

  ResultadoConsulta Consultar(const std::string& chave = kChave) {
    const Postar postar = [this](const std::string& url, const std::string& action, const std::string& corpo) {
      pedidos_.push_back(url);
      if (action == kAcaoEvento) eventos_.push_back(corpo);
      if (respostas_.empty()) throw ErroDFe(Desfecho::Comunicacao, "sem resposta");
      std::string r = respostas_.front();
      respostas_.pop_front();
      return r;
    };
    ResultadoConsulta r = ConsultarChave(opcoes_, cert_, chave, postar, [this] { return agora_; });
    r.mensagem = win1252::ParaUtf8(r.mensagem);
    return r;
  }
  std::vector<std::string> Salvos() const {
    std::vector<std::string> nomes;
    for (const auto& e : std::filesystem::directory_iterator(opcoes_.pastaSaida))
      nomes.push_back(e.path().filename().string());
    return nomes;
  }

  static inline const std::string kCnpj = "11222333000181";
  static inline teste::PastaTemporaria* pki_ = nullptr;
  static inline Certificado cert_;
  teste::PastaTemporaria pasta_;
  OpcoesConsulta opcoes_;
  Instante agora_ = kAgora;
  std::deque<std::string> respostas_;
  std::vector<std::string> pedidos_, eventos_;
};

TEST_F(ConsultaTest, TheOriginalIsSavedByteForByte) {
  respostas_ = {RespostaDistribuicao(138, Original())};
  const ResultadoConsulta r = Consultar();
  ASSERT_EQ(r.desfecho, Desfecho::Salvo) << r.mensagem;
  EXPECT_EQ(r.caminho, (opcoes_.pastaSaida / (kChave + "-nfe.xml")).string());
  EXPECT_EQ(Ler(r.caminho), Ler(kOriginal));
  EXPECT_EQ(pedidos_, std::vector<std::string>{"https://dist.invalid/"});
}

TEST_F(ConsultaTest, EachStatusHasItsOutcomeAndNothingIsWritten) {
  const struct {
    int cStat;
    Desfecho desfecho;
  } casos[] = {
      {137, Desfecho::NaoEncontrado},     {632, Desfecho::ForaDoPrazo},  {640, Desfecho::SemPermissao},
      {641, Desfecho::Indisponivel},      {653, Desfecho::Indisponivel}, {654, Desfecho::Indisponivel},
      {593, Desfecho::OutraEmpresa},      {999, Desfecho::Rejeitado},    {108, Desfecho::Rejeitado},
      {138, Desfecho::DocumentoInvalido},  // found, yet no document in it
  };
  std::set<std::string> mensagens;
  for (const auto& caso : casos) {
    respostas_ = {RespostaDistribuicao(caso.cStat)};
    const ResultadoConsulta r = Consultar();
    EXPECT_EQ(r.desfecho, caso.desfecho) << caso.cStat << ": " << r.mensagem;
    EXPECT_NE(r.mensagem.find(std::to_string(caso.cStat)), std::string::npos) << r.mensagem;
    mensagens.insert(r.mensagem.substr(0, r.mensagem.find('(')));
  }
  EXPECT_EQ(mensagens.size(), 8u);  // 653 and 654 share one, as do 999 and 108
  EXPECT_TRUE(Salvos().empty());
  EXPECT_EQ(pedidos_.size(), std::size(casos));
}

TEST_F(ConsultaTest, DocumentsThatFailTheChecksAreNotSaved) {
  std::string adulterado = Ler(kOriginal);
  adulterado.replace(adulterado.find("<vNF>"), 6, "<vNF>9");
  std::ofstream(pasta_ / "adulterado.xml", std::ios::binary) << adulterado;
  const std::string outraChave = kDados + "assinadas/nfephp_11101284613439000180550010000004881093997017-nfe.xml";
  const std::string respostas[] = {
      RespostaDistribuicao(138, Original(pasta_ / "adulterado.xml")),
      RespostaDistribuicao(138, Original(outraChave)),
      RespostaDistribuicao(138,
                           "<loteDistDFeInt><docZip schema=\"procNFe_v4.00.xsd\">H4sIAAAA</docZip>"
                           "</loteDistDFeInt>"),
  };
  for (const std::string& resposta : respostas) {
    respostas_ = {resposta};
    const ResultadoConsulta r = Consultar();
    EXPECT_EQ(r.desfecho, Desfecho::DocumentoInvalido) << r.mensagem;
  }
  respostas_ = {"<html>fora do ar</html>"};
  EXPECT_EQ(Consultar().desfecho, Desfecho::Comunicacao);
  respostas_ = {};  // the transport fails
  EXPECT_EQ(Consultar().desfecho, Desfecho::Comunicacao);
  EXPECT_TRUE(Salvos().empty());
}

TEST_F(ConsultaTest, AFileThatCannotBeSavedIsItsOwnOutcome) {
  opcoes_.pastaSaida = pasta_.caminho() / "nao-existe";
  respostas_ = {RespostaDistribuicao(138, Original())};
  const ResultadoConsulta r = Consultar();
  EXPECT_EQ(r.desfecho, Desfecho::Gravacao) << r.mensagem;
  EXPECT_FALSE(std::filesystem::exists(opcoes_.pastaSaida));
  EXPECT_TRUE(pedidos_.empty());  // found out before spending a query
  // The target taken by a directory: found out only when saving, and that directory left alone.
  opcoes_.pastaSaida = pasta_.caminho() / "saida";
  std::filesystem::create_directory(opcoes_.pastaSaida / (kChave + "-nfe.xml"));
  const ResultadoConsulta ocupado = Consultar();
  EXPECT_EQ(ocupado.desfecho, Desfecho::Gravacao) << ocupado.mensagem;
  EXPECT_TRUE(std::filesystem::is_empty(opcoes_.pastaSaida / (kChave + "-nfe.xml")));
}

TEST_F(ConsultaTest, AWrongKeyIsRefusedBeforeAnyRequest) {
  for (const std::string& chave :
       {kChave.substr(0, 43) + "3", kChave.substr(0, 43), kChave.substr(0, 43) + "X", kChave + "0", std::string()}) {
    const ResultadoConsulta r = Consultar(chave);
    EXPECT_EQ(r.desfecho, Desfecho::ChaveInvalida) << chave;
  }
  EXPECT_TRUE(pedidos_.empty());
  EXPECT_FALSE(std::filesystem::exists(opcoes_.pastaEstado));  // not even counted
}

TEST_F(ConsultaTest, AfterTheServiceBlocksTheNextRunAsksNothing) {
  respostas_ = {RespostaDistribuicao(656)};
  ResultadoConsulta r = Consultar();
  EXPECT_EQ(r.desfecho, Desfecho::ConsumoIndevido) << r.mensagem;
  EXPECT_EQ(StatusDeSaida(r.desfecho), 6);
  agora_ += 59min;
  r = Consultar();
  EXPECT_EQ(r.desfecho, Desfecho::Retido) << r.mensagem;
  EXPECT_EQ(pedidos_.size(), 1u);
  agora_ += 1min;
  respostas_ = {RespostaDistribuicao(138, Original())};
  EXPECT_EQ(Consultar().desfecho, Desfecho::Salvo);
}

TEST_F(ConsultaTest, TheSummaryWithoutConsentSendsNoEvent) {
  respostas_ = {RespostaDistribuicao(138, Resumo())};
  const ResultadoConsulta r = Consultar();
  EXPECT_EQ(r.desfecho, Desfecho::SomenteResumo);
  EXPECT_NE(r.mensagem.find("--ciencia"), std::string::npos) << r.mensagem;
  EXPECT_EQ(pedidos_.size(), 1u);
  EXPECT_FALSE(Guarda(opcoes_.pastaEstado, kCnpj).EventoEnviado(kChave));
}

TEST_F(ConsultaTest, WithConsentTheAcknowledgementReleasesTheOriginal) {
  for (int cStat : {135, 136, 573}) {
    teste::PastaTemporaria estado;
    opcoes_.pastaEstado = estado.caminho();
    opcoes_.ciencia = true;
    pedidos_.clear();
    eventos_.clear();
    respostas_ = {RespostaDistribuicao(138, Resumo()), Evento(cStat), RespostaDistribuicao(138, Original())};
    const ResultadoConsulta r = Consultar();
    ASSERT_EQ(r.desfecho, Desfecho::Salvo) << cStat << ": " << r.mensagem;
    EXPECT_EQ(Ler(r.caminho), Ler(kOriginal));
    EXPECT_EQ(pedidos_,
              (std::vector<std::string>{"https://dist.invalid/", "https://evento.invalid/", "https://dist.invalid/"}));
    ASSERT_EQ(eventos_.size(), 1u);
    EXPECT_NE(eventos_[0].find("<chNFe>" + kChave + "</chNFe>"), std::string::npos);
    EXPECT_NE(eventos_[0].find("<CNPJ>" + kCnpj + "</CNPJ>"), std::string::npos);
    EXPECT_EQ(Guarda(opcoes_.pastaEstado, kCnpj).EventoEnviado(kChave), kAgora);
    std::filesystem::remove(r.caminho);
  }
}

TEST_F(ConsultaTest, ARefusedAcknowledgementSaysItsStatus) {
  opcoes_.ciencia = true;
  respostas_ = {RespostaDistribuicao(138, Resumo()), Evento(650)};
  const ResultadoConsulta r = Consultar();
  EXPECT_EQ(r.desfecho, Desfecho::EventoRejeitado);
  EXPECT_NE(r.mensagem.find("650"), std::string::npos) << r.mensagem;
  EXPECT_EQ(pedidos_.size(), 2u);
  EXPECT_TRUE(Salvos().empty());
}

TEST_F(ConsultaTest, TheAcknowledgementIsNeverSentTwice) {
  setenv("TZ", "UTC", 1);
  tzset();
  opcoes_.ciencia = true;
  respostas_ = {RespostaDistribuicao(138, Resumo()), Evento(135), RespostaDistribuicao(138, Resumo())};
  ResultadoConsulta r = Consultar();
  EXPECT_EQ(r.desfecho, Desfecho::CienciaPendente);
  EXPECT_NE(r.mensagem.find("após 13:00"), std::string::npos) << r.mensagem;  // an hour after the event
  EXPECT_EQ(eventos_.size(), 1u);
  // The next run, even without consent: still the summary; no second event.
  agora_ += 5min;
  opcoes_.ciencia = false;
  respostas_ = {RespostaDistribuicao(138, Resumo())};
  r = Consultar();
  EXPECT_EQ(r.desfecho, Desfecho::CienciaPendente) << r.mensagem;
  EXPECT_EQ(eventos_.size(), 1u);
  EXPECT_EQ(pedidos_.size(), 4u);
  // Once released, the original comes with no event either.
  agora_ += 60min;
  respostas_ = {RespostaDistribuicao(138, Original())};
  EXPECT_EQ(Consultar().desfecho, Desfecho::Salvo);
  EXPECT_EQ(eventos_.size(), 1u);
  unsetenv("TZ");
  tzset();
}

// The desktop asks a person only when the summary comes; "no" sends nothing.
TEST_F(ConsultaTest, AskedConsentOnlyForTheSummary) {
  int perguntas = 0;
  bool resposta = false;
  opcoes_.pedirCiencia = [&] {
    ++perguntas;
    return resposta;
  };
  respostas_ = {RespostaDistribuicao(138, Original())};
  EXPECT_EQ(Consultar().desfecho, Desfecho::Salvo);
  EXPECT_EQ(perguntas, 0);
  std::filesystem::remove(opcoes_.pastaSaida / (kChave + "-nfe.xml"));

  respostas_ = {RespostaDistribuicao(138, Resumo())};
  ResultadoConsulta r = Consultar();
  EXPECT_EQ(r.desfecho, Desfecho::SomenteResumo);
  EXPECT_EQ(perguntas, 1);
  EXPECT_TRUE(eventos_.empty());
  EXPECT_EQ(r.mensagem.find("--ciencia"), std::string::npos) << r.mensagem;
  EXPECT_NE(r.mensagem.find("nenhum evento"), std::string::npos) << r.mensagem;

  resposta = true;
  respostas_ = {RespostaDistribuicao(138, Resumo()), Evento(135), RespostaDistribuicao(138, Original())};
  EXPECT_EQ(Consultar().desfecho, Desfecho::Salvo);
  EXPECT_EQ(perguntas, 2);
  EXPECT_EQ(eventos_.size(), 1u);
}

TEST(ExitStatus, OneNumberPerOutcomeGroup) {
  const std::pair<Desfecho, int> tabela[] = {
      {Desfecho::Salvo, 0},
      {Desfecho::SomenteResumo, 1},
      {Desfecho::Uso, 2},
      {Desfecho::Certificado, 3},
      {Desfecho::ChaveInvalida, 4},
      {Desfecho::NaoEncontrado, 5},
      {Desfecho::ForaDoPrazo, 5},
      {Desfecho::SemPermissao, 5},
      {Desfecho::Indisponivel, 5},
      {Desfecho::OutraEmpresa, 5},
      {Desfecho::Retido, 6},
      {Desfecho::ConsumoIndevido, 6},
      {Desfecho::Rejeitado, 7},
      {Desfecho::DocumentoInvalido, 8},
      {Desfecho::Comunicacao, 9},
      {Desfecho::Gravacao, 10},
      {Desfecho::CienciaPendente, 11},
      {Desfecho::EventoRejeitado, 12},
  };
  for (const auto& [d, status] : tabela) EXPECT_EQ(StatusDeSaida(d), status) << NomeDesfecho(d);
}

}  // namespace
