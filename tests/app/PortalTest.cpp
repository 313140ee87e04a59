#include "app/Portal.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr std::string_view kChave = "35110461482735000193550010000045671012345678";

TConfiguracaoPortal Configuracao(std::map<std::string, std::string> variaveis, std::string_view dir = "/") {
  return LerConfiguracao(
      [&](std::string_view nome) -> std::optional<std::string> {
        const auto achado = variaveis.find(std::string(nome));
        if (achado == variaveis.end()) return std::nullopt;
        return achado->second;
      },
      dir);
}

TEST(Portal, ConfiguracaoPadraoEDoAmbiente) {
  const TConfiguracaoPortal padrao = Configuracao({});
  EXPECT_EQ(padrao.Host, kHostPortalPadrao);
  EXPECT_EQ(padrao.IdConteudo, kIdConteudoPadrao);
  EXPECT_EQ(padrao.Diretorio, "/");
  EXPECT_EQ(ProblemaConfiguracao(padrao), "");

  const TConfiguracaoPortal outra = Configuracao(
      {{"SALVEXA_PORTAL_HOST", "LocalHost:8443"}, {"SALVEXA_PORTAL_CONTENT_ID", "abc="}, {"SALVEXA_DIR", "/tmp/x"}});
  EXPECT_EQ(outra.Host, "localhost:8443");  // browsers report host names in small letters
  EXPECT_EQ(outra.IdConteudo, "abc=");
  EXPECT_EQ(outra.Diretorio, "/tmp/x");

  // An empty variable keeps the default, as an unset one does.
  EXPECT_EQ(Configuracao({{"SALVEXA_PORTAL_HOST", ""}, {"SALVEXA_DIR", ""}}).Diretorio, "/");

  // The output directory must be there before the portal is asked anything.
  EXPECT_NE(ProblemaConfiguracao(Configuracao({{"SALVEXA_DIR", "/nao/existe"}})), "");
  EXPECT_NE(ProblemaConfiguracao(Configuracao({{"SALVEXA_DIR", SALVEXA_SOURCE_DIR "/CMakeLists.txt"}})), "");
}

TEST(Portal, ConfiguracaoRecusada) {
  struct Caso {
    const char* host;
    const char* conteudo;
    bool aceita;
  };
  const Caso casos[] = {
      {"127.0.0.1:8080", "XbSeqxE8pl8=", true},
      {"[::1]:8443", "XbSeqxE8pl8=", true},
      {"portal.example", "a%2Bb", true},
      {"host:0", "x", false},
      {"host:65536", "x", false},
      {"host:", "x", false},
      {":80", "x", false},
      {"host/path", "x", false},
      {"user@host", "x", false},
      {"[::1", "x", false},
      {"host", "a&b=c", false},  // would add a query key of its own
      {"host", "a b", false},    // a browser would encode the blank and never match
      {"host", "a#b", false},
  };
  for (const Caso& c : casos) {
    TConfiguracaoPortal config =
        Configuracao({{"SALVEXA_PORTAL_HOST", c.host}, {"SALVEXA_PORTAL_CONTENT_ID", c.conteudo}});
    EXPECT_EQ(ProblemaConfiguracao(config).empty(), c.aceita) << c.host << " " << c.conteudo;
  }
}

TEST(Portal, ReconhecePaginasPeloEnderecoExato) {
  const TConfiguracaoPortal config = Configuracao({{"SALVEXA_PORTAL_HOST", "localhost:8080"}});
  struct Caso {
    const char* endereco;
    TPaginaPortal pagina;
  };
  const Caso casos[] = {
      {"http://localhost:8080/portal/consulta.aspx?tipoConsulta=completa&tipoConteudo=XbSeqxE8pl8=",
       TPaginaPortal::Consulta},
      {"https://localhost:8080/portal/visualizacaoNFe/completa/Default.aspx", TPaginaPortal::Visualizacao},
      {"http://localhost:8080/portal/consultaCompleta.aspx?tipoConteudo=XbSeqxE8pl8=", TPaginaPortal::ConsultaCompleta},
      {"https://localhost:8080/portal/inexistente_completa.aspx", TPaginaPortal::Inexistente},
      // Letter case, scheme, query and port all count.
      {"http://localhost:8080/Portal/consulta.aspx?tipoConsulta=completa&tipoConteudo=XbSeqxE8pl8=",
       TPaginaPortal::Inesperada},
      {"https://localhost:8080/portal/consulta.aspx?tipoConsulta=completa&tipoConteudo=XbSeqxE8pl8=",
       TPaginaPortal::Inesperada},
      {"http://localhost:8080/portal/consulta.aspx?tipoConsulta=completa&tipoConteudo=XbSeqxE8pl8=&x=1",
       TPaginaPortal::Inesperada},
      {"http://localhost:8081/portal/consultaCompleta.aspx?tipoConteudo=XbSeqxE8pl8=", TPaginaPortal::Inesperada},
      // The print page is only ever navigated to.
      {"https://localhost:8080/PORTAL/visualizacaoNFe/completa/impressao.aspx", TPaginaPortal::Inesperada},
      {"", TPaginaPortal::Inesperada},
  };
  for (const Caso& c : casos) EXPECT_EQ(ReconhecerPagina(c.endereco, config), c.pagina) << c.endereco;
  EXPECT_EQ(EnderecoImpressao(config), "https://localhost:8080/PORTAL/visualizacaoNFe/completa/impressao.aspx");
  EXPECT_EQ(EnderecoCaptcha(config), "http://localhost:8080/scripts/srf/intercepta/captcha.aspx?opt=image");
}

TEST(Portal, PortaPadraoComoONavegadorMostra) {
  // The browser drops a scheme's default port and leading zeros from the
  // location: the addresses built here must do the same, or no page is known.
  struct Caso {
    const char* host;
    const char* consulta;      // http
    const char* visualizacao;  // https
  };
  const Caso casos[] = {
      {"localhost:80", "http://localhost/portal/consulta.aspx", "https://localhost:80/portal/visualizacaoNFe"},
      {"localhost:443", "http://localhost:443/portal/consulta.aspx", "https://localhost/portal/visualizacaoNFe"},
      {"localhost:08080", "http://localhost:8080/portal/consulta.aspx",
       "https://localhost:8080/portal/visualizacaoNFe"},
      {"[::1]:80", "http://[::1]/portal/consulta.aspx", "https://[::1]:80/portal/visualizacaoNFe"},
      {"[::1]", "http://[::1]/portal/consulta.aspx", "https://[::1]/portal/visualizacaoNFe"},
  };
  for (const Caso& c : casos) {
    const TConfiguracaoPortal config = Configuracao({{"SALVEXA_PORTAL_HOST", c.host}});
    EXPECT_EQ(ProblemaConfiguracao(config), "") << c.host;
    EXPECT_TRUE(EnderecoConsulta(config).starts_with(c.consulta)) << EnderecoConsulta(config);
    EXPECT_TRUE(EnderecoVisualizacao(config).starts_with(c.visualizacao)) << EnderecoVisualizacao(config);
  }
  const TConfiguracaoPortal config = Configuracao({{"SALVEXA_PORTAL_HOST", "portal.example:80"}});
  EXPECT_EQ(ReconhecerPagina("http://portal.example/portal/consultaCompleta.aspx?tipoConteudo=XbSeqxE8pl8=", config),
            TPaginaPortal::ConsultaCompleta);
  EXPECT_EQ(ReconhecerPagina("https://portal.example:80/portal/inexistente_completa.aspx", config),
            TPaginaPortal::Inexistente);
  EXPECT_EQ(EnderecoCaptcha(config), "http://portal.example/scripts/srf/intercepta/captcha.aspx?opt=image");
}

TEST(Portal, TextosSobreEmPortugues) {
  // The tab's texts are Windows-1252 like every text of the window: read
  // back as UTF-8 they show their accents, not "Ã©".
  const std::string sobre = win1252::ParaUtf8(kTextoSobre);
  const std::string aviso = win1252::ParaUtf8(kAvisoSobre);
  EXPECT_NE(sobre.find("Este projeto \xC3\xA9 mantido"), std::string::npos) << sobre;
  EXPECT_NE(sobre.find("modifica\xC3\xA7\xC3\xB5"
                       "es constantes"),
            std::string::npos)
      << sobre;
  EXPECT_NE(aviso.find("N\xC3\x83O SUBSTITUEM"), std::string::npos) << aviso;
  for (const std::string& texto : {sobre, aviso}) EXPECT_EQ(texto.find("\xC3\x83\xC2"), std::string::npos) << texto;
}

TEST(Portal, ChaveInicial) {
  const std::string chave(kChave);
  // The argument wins over the clipboard; either is taken as it is, not trimmed.
  EXPECT_EQ(ChaveInicial(chave, "outra coisa"), chave);
  EXPECT_EQ(ChaveInicial(std::nullopt, chave), chave);
  EXPECT_EQ(ChaveInicial(std::nullopt, chave.substr(0, 43)), std::nullopt);
  EXPECT_EQ(ChaveInicial(std::nullopt, " " + chave), std::nullopt);
  EXPECT_EQ(ChaveInicial(chave.substr(1), chave), std::nullopt);
  EXPECT_EQ(ChaveInicial(std::nullopt, ""), std::nullopt);
  // 44 characters of any kind pass here; the check at OK rejects them.
  EXPECT_EQ(ChaveInicial(std::string(44, 'x'), ""), std::string(44, 'x'));
}

TEST(Portal, ConferenciaAntesDoEnvio) {
  struct Caso {
    std::string chave;
    std::string captcha;
    TConferenciaConsulta esperado;
  };
  const std::string chave(kChave);
  const Caso casos[] = {
      {chave, "AB12", TConferenciaConsulta::Ok},
      {chave, "ab 1", TConferenciaConsulta::Ok},
      {chave.substr(0, 43) + "9", "AB12", TConferenciaConsulta::ChaveInvalida},  // check digit
      {chave.substr(0, 43), "AB12", TConferenciaConsulta::ChaveInvalida},
      {"", "AB12", TConferenciaConsulta::ChaveInvalida},
      {chave, "AB1", TConferenciaConsulta::CaptchaCurto},
      {chave, "    ", TConferenciaConsulta::CaptchaCurto},
      {chave, "", TConferenciaConsulta::CaptchaCurto},
      // The key is checked first.
      {"123", "", TConferenciaConsulta::ChaveInvalida},
  };
  for (const Caso& c : casos)
    EXPECT_EQ(ConferirConsulta(c.chave, c.captcha), c.esperado) << c.chave << " [" << c.captcha << "]";
}

TEST(Portal, LiteralJavaScriptNaoDeixaOTextoEscapar) {
  EXPECT_EQ(LiteralJavaScript("AB12"), "\"AB12\"");
  EXPECT_EQ(LiteralJavaScript("a\"b"), "\"a\\u0022b\"");
  EXPECT_EQ(LiteralJavaScript("a\\"), "\"a\\u005C\"");
  EXPECT_EQ(LiteralJavaScript("'</script>"), "\"\\u0027\\u003C/script\\u003E\"");
  EXPECT_EQ(LiteralJavaScript("\n\r"), "\"\\u000A\\u000D\"");
  EXPECT_EQ(LiteralJavaScript("ção"_cp), "\"\\u00E7\\u00E3o\"");
  EXPECT_EQ(LiteralJavaScript("\x80"), "\"\\u20AC\"");  // the euro sign of the code page
}

TEST(Portal, ScriptDoFormulario) {
  const std::string script = ScriptEnviarFormulario(kChave, "a\"b");
  for (std::string_view nome : {kCampoChave, kCampoCaptcha, kBotaoConsultar})
    EXPECT_NE(script.find(LiteralJavaScript(nome)), std::string::npos) << nome;
  EXPECT_NE(script.find("= \"" + std::string(kChave) + "\""), std::string::npos);
  EXPECT_NE(script.find("\"a\\u0022b\""), std::string::npos);
  // Nothing is set before every element has been found.
  EXPECT_LT(script.find("return nomes[i]"), script.find(".value ="));
  EXPECT_LT(script.find(".value ="), script.find(".click()"));
}

TEST(Portal, Progresso) {
  struct Caso {
    int progresso, maximo;
    bool visivel;
    int posicao;
  };
  const Caso casos[] = {
      {10, 0, false, 0},     {0, 100, true, 0},   {40, 100, true, 40},
      {100, 100, true, 100}, {-1, 100, false, 0}, {101, 100, false, 0},
  };
  for (const Caso& c : casos) {
    const TEstadoProgresso e = CalcularProgresso(c.progresso, c.maximo);
    EXPECT_EQ(e.Visivel, c.visivel) << c.progresso << "/" << c.maximo;
    if (e.Visivel) {
      EXPECT_EQ(e.Posicao, c.posicao);
    }
  }
}

}  // namespace
