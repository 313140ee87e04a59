// Runs the built salvexa-convert program as a user would.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "converter/PaginaSalva.h"
#include "util/TextoSeguro.h"
#include "util/Win1252.h"

namespace fs = std::filesystem;

namespace {

const fs::path kPrograma = fs::path(SALVEXA_BINARY_DIR) / "salvexa-convert";
const fs::path kExemplo = fs::path(SALVEXA_SOURCE_DIR) / "examples" / "consulta-completa.html";
constexpr const char* kArquivoXml = "35110461482735000193550010000045671012345678-nfe.xml";

std::string Ler(const fs::path& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void Gravar(const fs::path& caminho, std::string_view bytes) { std::ofstream(caminho, std::ios::binary) << bytes; }

std::string Aspas(const std::string& s) {
  std::string r = "'";
  for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

struct Execucao {
  int status = -1;
  std::string saida;
  std::string erros;
};

class SalvexaConvert : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) /
           ("salvexa-cli-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "saida");
    ASSERT_TRUE(fs::exists(kPrograma)) << kPrograma;
  }

  // Runs the program in `pasta` (the test's own directory when empty).
  Execucao Rodar(const std::string& argumentos, const std::string& entrada = "/dev/null", const fs::path& pasta = {}) {
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    const std::string comando = (pasta.empty() ? "" : "cd " + Aspas(pasta.string()) + " && ") +
                                Aspas(kPrograma.string()) + " " + argumentos + " <" + Aspas(entrada) + " >" +
                                Aspas(out.string()) + " 2>" + Aspas(err.string());
    const int bruto = std::system(comando.c_str());
    Execucao e;
    e.status = WIFEXITED(bruto) ? WEXITSTATUS(bruto) : 100 + WTERMSIG(bruto);
    e.saida = Ler(out);
    e.erros = Ler(err);
    return e;
  }

  std::string Saida() const { return (dir_ / "saida").string(); }
  bool SaidaVazia() const { return fs::is_empty(dir_ / "saida"); }

  fs::path dir_;
};

}  // namespace

TEST_F(SalvexaConvert, ConvertsTheSamplePageIntoXmlThatAParserAccepts) {
  const Execucao e = Rodar("-o " + Aspas(Saida()) + " " + Aspas(kExemplo.string()));
  ASSERT_EQ(e.status, 0) << e.erros;
  const fs::path xml = dir_ / "saida" / kArquivoXml;
  EXPECT_EQ(e.saida, fs::absolute(xml).string() + "\n");
  const std::string texto = Ler(xml);
  EXPECT_NE(texto.find("<xNome>DISTRIBUIDORA PAULISTA DE ALIMENTOS LTDA</xNome>"), std::string::npos);
  EXPECT_NE(texto.find("<vICMSST>36.16</vICMSST>"), std::string::npos);
  EXPECT_NE(texto.find("<vNF>2036.61</vNF>"), std::string::npos);
  EXPECT_NE(texto.find("<dhRecbto>2011-04-12T10:32:18</dhRecbto>"), std::string::npos);
  EXPECT_NE(texto.find("R$412,37"), std::string::npos);  // "&nbsp;" removed
  const std::string xmllint = "xmllint --noout " + Aspas(xml.string()) + " 2>" + Aspas((dir_ / "xmllint").string());
  EXPECT_EQ(std::system(xmllint.c_str()), 0) << Ler(dir_ / "xmllint");
}

TEST_F(SalvexaConvert, CapturedTextGivesTheSameXmlAsTheHtmlPage) {
  ASSERT_EQ(Rodar("-o " + Aspas(Saida()) + " " + Aspas(kExemplo.string())).status, 0);
  const std::string daPagina = Ler(dir_ / "saida" / kArquivoXml);
  // The page text as the desktop program captures it: Windows-1252, CR LF.
  const fs::path texto = dir_ / "pagina.txt";
  Gravar(texto, PaginaTextoDeArquivo(Ler(kExemplo)));
  fs::remove(dir_ / "saida" / kArquivoXml);
  const Execucao e = Rodar("--output-dir=" + Aspas(Saida()) + " -", texto.string());
  ASSERT_EQ(e.status, 0) << e.erros;
  EXPECT_EQ(Ler(dir_ / "saida" / kArquivoXml), daPagina);
}

TEST_F(SalvexaConvert, AlertsListedOnlyWhenAsked) {
  std::string html = Ler(kExemplo);
  const std::string cnpj = "27.461.983/0002-09";  // the carrier's; a wrong check digit is an alert
  ASSERT_NE(html.find(cnpj), std::string::npos);
  html.replace(html.find(cnpj), cnpj.size(), "27.461.983/0002-00");
  const fs::path pagina = dir_ / "alerta.html";
  Gravar(pagina, html);
  // Without --alerts one line tells how many there are and how to list them.
  const Execucao resumo = Rodar("-o " + Aspas(Saida()) + " " + Aspas(pagina.string()));
  EXPECT_EQ(resumo.status, 0);
  EXPECT_EQ(resumo.erros,
            "salvexa-convert: the XML writer raised 1 alert (the file may not be valid NF-e); run again with "
            "--alerts to list them\n");
  const Execucao e = Rodar("--alerts -o " + Aspas(Saida()) + " " + Aspas(pagina.string()));
  EXPECT_EQ(e.status, 0) << e.erros;  // alerts never stop the output
  EXPECT_EQ(e.saida, resumo.saida);
  EXPECT_NE(e.erros.find("ID:X04/CNPJ(CNPJ)"), std::string::npos) << e.erros;
  EXPECT_EQ(e.erros.find("run again"), std::string::npos) << e.erros;
  EXPECT_TRUE(fs::exists(dir_ / "saida" / kArquivoXml));
  // A page without alerts: nothing on standard error.
  const Execucao limpo = Rodar("-o " + Aspas(Saida()) + " " + Aspas(kExemplo.string()));
  EXPECT_EQ(limpo.status, 0);
  EXPECT_EQ(limpo.erros, "");
}

TEST_F(SalvexaConvert, PageTextHoldingTagTextInAValueIsNoHtml) {
  // Captured text whose complementary information held "&lt;body&gt;" in the
  // markup: the text holds "<body>" after its labels, and is still page text.
  std::string texto = PaginaTextoDeArquivo(Ler(kExemplo));
  const std::string info = "PEDIDO DE COMPRA 88213";
  ASSERT_NE(texto.find(info), std::string::npos);
  texto.replace(texto.find(info), info.size(), "VER <body> E <html> NO PEDIDO 88213");
  const fs::path pagina = dir_ / "pagina.txt";
  Gravar(pagina, texto);
  for (const char* opcoes : {"", "--text"}) {
    fs::remove_all(dir_ / "saida");
    fs::create_directories(dir_ / "saida");
    const Execucao e = Rodar(std::string(opcoes) + " -o " + Aspas(Saida()) + " " + Aspas(pagina.string()));
    EXPECT_EQ(e.status, 0) << opcoes << ": " << e.erros;
    EXPECT_NE(Ler(dir_ / "saida" / kArquivoXml).find("VER &lt;body&gt; E &lt;html&gt; NO PEDIDO 88213"),
              std::string::npos)
        << opcoes;
  }
  // Forced to HTML, the page starts after that "<body>": no key there.
  EXPECT_EQ(Rodar("--html -o " + Aspas(Saida()) + " " + Aspas(pagina.string())).status, 3);
  EXPECT_EQ(Rodar("--html -o " + Aspas(Saida()) + " " + Aspas(kExemplo.string())).status, 0);
  EXPECT_EQ(Rodar("--html --text " + Aspas(pagina.string())).status, 2);
}

TEST_F(SalvexaConvert, NotFoundPage) {
  const fs::path pagina = dir_ / "inexistente.html";
  Gravar(pagina,
         "<html><body><p>NF-e INEXISTENTE na base nacional, favor consultar esta NF-e no site da SEFAZ de "
         "origem.</p></body></html>");
  const Execucao e = Rodar("-o " + Aspas(Saida()) + " " + Aspas(pagina.string()));
  EXPECT_EQ(e.status, 3);
  EXPECT_EQ(e.erros, "NF-e INEXISTENTE na base nacional.\n");
  EXPECT_EQ(e.saida, "");
  EXPECT_TRUE(SaidaVazia());
}

TEST_F(SalvexaConvert, NoResultPageIsNotTakenForNotFound) {
  struct Caso {
    const char* nome;
    std::string bytes;
  };
  const Caso casos[] = {
      {"outra.html", "<html><head><title>Login</title></head><body><form>Usu\xC3\xA1rio</form></body></html>"},
      {"vazio.html", ""},
      {"notas.txt", "lista de compras\nNF-e do fornecedor: ver amanh\xC3\xA3\n"},
  };
  for (const Caso& c : casos) {
    const fs::path pagina = dir_ / c.nome;
    Gravar(pagina, c.bytes);
    const Execucao e = Rodar("-o " + Aspas(Saida()) + " " + Aspas(pagina.string()));
    EXPECT_EQ(e.status, 6) << c.nome << ": " << e.erros;
    EXPECT_EQ(e.erros, "salvexa-convert: " + pagina.string() + " is not an NF-e result page\n") << c.nome;
    EXPECT_EQ(e.saida, "") << c.nome;
    EXPECT_TRUE(SaidaVazia()) << c.nome;
  }
  EXPECT_EQ(Rodar("-o " + Aspas(Saida()) + " -", (dir_ / "vazio.html").string()).erros,
            "salvexa-convert: standard input is not an NF-e result page\n");
  EXPECT_NE(Rodar("--help").saida.find("  6  not an NF-e result page"), std::string::npos);
}

TEST_F(SalvexaConvert, Utf16PagesGiveTheSameXmlAsTheUtf8Page) {
  ASSERT_EQ(Rodar("-o " + Aspas(Saida()) + " " + Aspas(kExemplo.string())).status, 0);
  const std::string daPagina = Ler(dir_ / "saida" / kArquivoXml);
  const std::string utf8 = Ler(kExemplo);
  ASSERT_NE(utf8.find("Dados do Emitente"), std::string::npos);
  ASSERT_NE(utf8.find("Descri\xC3\xA7\xC3\xA3o"), std::string::npos);  // accented labels
  for (const bool bigEndian : {false, true}) {
    std::string utf16 = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    const auto unidade = [&](char32_t u) {
      const char alto = static_cast<char>(u >> 8), baixo = static_cast<char>(u & 0xFF);
      utf16 += bigEndian ? std::string{alto, baixo} : std::string{baixo, alto};
    };
    for (std::size_t i = 0; i < utf8.size();) {
      char32_t cp = 0;
      const std::size_t n = win1252::DecodificarUtf8(utf8, i, cp);
      ASSERT_GT(n, 0u) << i;
      i += n;
      if (cp < 0x10000) {
        unidade(cp);
      } else {
        unidade(0xD800 + ((cp - 0x10000) >> 10));
        unidade(0xDC00 + ((cp - 0x10000) & 0x3FF));
      }
    }
    const fs::path pagina = dir_ / (bigEndian ? "utf16be.html" : "utf16le.html");
    Gravar(pagina, utf16);
    fs::remove(dir_ / "saida" / kArquivoXml);
    const Execucao e = Rodar("-o " + Aspas(Saida()) + " " + Aspas(pagina.string()));
    ASSERT_EQ(e.status, 0) << bigEndian << ": " << e.erros;
    EXPECT_EQ(Ler(dir_ / "saida" / kArquivoXml), daPagina) << bigEndian;
  }
}

TEST_F(SalvexaConvert, ConversionErrorWritesNoFile) {
  std::string html = Ler(kExemplo);
  const std::string data = "<span>12/04/2011</span></td>\n<td><label>Data/Hora Sa";
  ASSERT_NE(html.find(data), std::string::npos);
  html.replace(html.find(data), data.size(), "<span>1/4/2011</span></td>\n<td><label>Data/Hora Sa");
  const fs::path pagina = dir_ / "data-ruim.html";
  Gravar(pagina, html);
  const Execucao e = Rodar("-o " + Aspas(Saida()) + " " + Aspas(pagina.string()));
  EXPECT_EQ(e.status, 4);
  EXPECT_NE(e.erros.find("conversion error"), std::string::npos) << e.erros;
  EXPECT_NE(e.erros.find("Data de emiss\xC3\xA3o"), std::string::npos) << e.erros;  // named, in UTF-8
  EXPECT_TRUE(SaidaVazia());
}

TEST_F(SalvexaConvert, UsageErrorsAndHelp) {
  const Execucao ajuda = Rodar("--help");
  EXPECT_EQ(ajuda.status, 0);
  EXPECT_NE(ajuda.saida.find("Usage: salvexa-convert"), std::string::npos);
  // Standard input is the one page of a run or none.
  for (const std::string& args : {std::string(""), std::string("--nada x"), std::string("- b"), std::string("a -"),
                                  std::string("-o"), std::string("a ''")}) {
    const Execucao e = Rodar(args);
    EXPECT_EQ(e.status, 2) << args;
    EXPECT_NE(e.erros.find("--help"), std::string::npos) << args;
  }
}

TEST_F(SalvexaConvert, InputAndOutputErrors) {
  EXPECT_EQ(Rodar(Aspas((dir_ / "nao-existe.html").string())).status, 5);
  EXPECT_EQ(Rodar(Aspas(dir_.string())).status, 5);  // a directory is not a page
  const Execucao e = Rodar("-o " + Aspas((dir_ / "sem-pasta").string()) + " " + Aspas(kExemplo.string()));
  EXPECT_EQ(e.status, 5);
  EXPECT_NE(e.erros.find("sem-pasta"), std::string::npos) << e.erros;
  EXPECT_FALSE(fs::exists(dir_ / "sem-pasta"));
}

TEST_F(SalvexaConvert, UnprintablePathIsAnOutputError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::string comando = Aspas(kPrograma.string()) + " -o " + Aspas(Saida()) + " " + Aspas(kExemplo.string()) +
                              " >/dev/full 2>" + Aspas((dir_ / "stderr").string());
  const int bruto = std::system(comando.c_str());
  ASSERT_TRUE(WIFEXITED(bruto));
  EXPECT_EQ(WEXITSTATUS(bruto), 5) << Ler(dir_ / "stderr");
}

TEST_F(SalvexaConvert, BadInputNeverCrashes) {
  std::mt19937 gerador(20110412);
  const std::string exemplo = Ler(kExemplo);
  for (int i = 0; i < 6; ++i) {
    std::string bytes;
    if (i < 3) {
      // Random bytes, some with markup and labels mixed in.
      std::uniform_int_distribution<int> byte(0, 255);
      for (int k = 0; k < 4000; ++k) bytes += static_cast<char>(byte(gerador));
      if (i > 0) bytes = "<html><body>Chave de acesso35\r\nDados da NF-e<" + bytes;
    } else {
      // The sample cut short at a random point.
      std::uniform_int_distribution<std::size_t> corte(exemplo.size() / 4, exemplo.size() - 1);
      bytes = exemplo.substr(0, corte(gerador));
    }
    const fs::path pagina = dir_ / ("ruim" + std::to_string(i));
    Gravar(pagina, bytes);
    const Execucao e = Rodar("-o " + Aspas(Saida()) + " " + Aspas(pagina.string()));
    EXPECT_TRUE(e.status == 0 || e.status == 3 || e.status == 4 || e.status == 6)
        << i << ": " << e.status << " " << e.erros;
    for (const auto& arquivo : fs::directory_iterator(dir_ / "saida"))
      EXPECT_TRUE(arquivo.path().string().ends_with("-nfe.xml")) << arquivo.path();  // no temporary left
  }
}

TEST_F(SalvexaConvert, OutputDirectoryIsTakenAsGiven) {
  // Blanks are part of a directory's name: " saida" is not "saida".
  fs::create_directories(dir_ / " saida");
  const Execucao e = Rodar("-o ' saida' " + Aspas(kExemplo.string()), "/dev/null", dir_);
  ASSERT_EQ(e.status, 0) << e.erros;
  EXPECT_TRUE(fs::exists(dir_ / " saida" / kArquivoXml));
  EXPECT_TRUE(SaidaVazia());
  EXPECT_EQ(e.saida, (dir_ / " saida" / kArquivoXml).string() + "\n");
}

TEST_F(SalvexaConvert, FailedSaveLeavesTheOldFileAndNoTemporary) {
  const fs::path xml = dir_ / "saida" / kArquivoXml;
  struct Caso {
    const char* nome;
    const char* antes;  // shell commands before the run
    fs::perms modo;
  };
  const Caso casos[] = {
      {"file-size limit", "ulimit -f 1 && ", fs::perms::owner_read | fs::perms::owner_write},
      {"read-only target", "", fs::perms::owner_read | fs::perms::group_read},
  };
  for (const Caso& c : casos) {
    Gravar(xml, std::string(600, 'a'));
    fs::permissions(xml, c.modo);
    const std::string comando = std::string(c.antes) + Aspas(kPrograma.string()) + " -o " + Aspas(Saida()) + " " +
                                Aspas(kExemplo.string()) + " >/dev/null 2>" + Aspas((dir_ / "stderr").string());
    const int bruto = std::system(comando.c_str());
    ASSERT_TRUE(WIFEXITED(bruto)) << c.nome;
    EXPECT_EQ(WEXITSTATUS(bruto), 5) << c.nome << ": " << Ler(dir_ / "stderr");
    EXPECT_EQ(Ler(xml), std::string(600, 'a')) << c.nome;
    EXPECT_EQ(fs::status(xml).permissions(), c.modo) << c.nome;
    for (const auto& arquivo : fs::directory_iterator(dir_ / "saida"))
      EXPECT_EQ(arquivo.path().filename(), kArquivoXml) << c.nome;
    fs::permissions(xml, fs::perms::owner_write, fs::perm_options::add);
  }
}

TEST_F(SalvexaConvert, MoneyBeyondItsRangeIsAConversionError) {
  std::string html = Ler(kExemplo);
  const std::string total = "<label>Valor Total da NFe</label><span>2.036,61</span>";
  ASSERT_NE(html.find(total), std::string::npos);
  html.replace(html.find(total), total.size(),
               "<label>Valor Total da NFe</label><span>99.999.999.999.999.999,00</span>");
  const fs::path pagina = dir_ / "total-enorme.html";
  Gravar(pagina, html);
  const Execucao e = Rodar("-o " + Aspas(Saida()) + " " + Aspas(pagina.string()));
  EXPECT_EQ(e.status, 4) << e.erros;
  EXPECT_NE(e.erros.find("Valor Total da NFe"), std::string::npos) << e.erros;
  EXPECT_TRUE(SaidaVazia());
}

TEST_F(SalvexaConvert, InputOverTheSizeLimitIsRefused) {
  const fs::path grande = dir_ / "grande.html";
  { std::ofstream(grande, std::ios::binary) << "x"; }
  fs::resize_file(grande, (std::size_t{64} << 20) + 1);  // sparse: costs no disk
  struct Caso {
    std::string argumentos, entrada;
  };
  const Caso casos[] = {{Aspas(grande.string()), "/dev/null"}, {"/dev/zero", "/dev/null"}, {"-", "/dev/zero"}};
  for (const Caso& c : casos) {
    const Execucao e = Rodar("-o " + Aspas(Saida()) + " " + c.argumentos, c.entrada);
    EXPECT_EQ(e.status, 5) << c.argumentos;
    EXPECT_NE(e.erros.find("64 MiB"), std::string::npos) << e.erros;
  }
  EXPECT_TRUE(SaidaVazia());
}

TEST_F(SalvexaConvert, TxtOptionSavesTheTxtFormBesideTheXml) {
  const std::string txt = std::string(kArquivoXml).replace(std::string(kArquivoXml).size() - 3, 3, "txt");
  const Execucao e = Rodar("--txt -o " + Aspas(Saida()) + " " + Aspas(kExemplo.string()));
  ASSERT_EQ(e.status, 0) << e.erros;
  EXPECT_EQ(e.saida, fs::absolute(dir_ / "saida" / kArquivoXml).string() + "\n");
  const std::string conteudo = Ler(dir_ / "saida" / txt);
  EXPECT_TRUE(conteudo.starts_with("NOTA FISCAL|1\r\nA|2.00|NFe35110461482735000193550010000045671012345678\r\nB|35|"))
      << conteudo.substr(0, 200);
  EXPECT_TRUE(conteudo.ends_with("\r\n\r\n"));
  EXPECT_TRUE(fs::exists(dir_ / "saida" / kArquivoXml));

  // Without the option no TXT file.
  fs::remove_all(dir_ / "saida");
  fs::create_directories(dir_ / "saida");
  ASSERT_EQ(Rodar("-o " + Aspas(Saida()) + " " + Aspas(kExemplo.string())).status, 0);
  EXPECT_FALSE(fs::exists(dir_ / "saida" / txt));
}

TEST_F(SalvexaConvert, TxtFileThatCannotBeWrittenIsAnErrorAndNoXmlIsSaved) {
  const std::string txt = std::string(kArquivoXml).replace(std::string(kArquivoXml).size() - 3, 3, "txt");
  fs::create_directories(dir_ / "saida" / txt);  // a directory in the file's place
  const Execucao e = Rodar("--txt -o " + Aspas(Saida()) + " " + Aspas(kExemplo.string()));
  EXPECT_EQ(e.status, 5) << e.erros;
  EXPECT_EQ(e.saida, "");
  EXPECT_FALSE(fs::exists(dir_ / "saida" / kArquivoXml));
  EXPECT_TRUE(fs::is_directory(dir_ / "saida" / txt));
}

namespace {

// The sample page under another access key (its last digits).
std::string ComChave(const std::string& html, const char* fim) {
  std::string r = html;
  const std::string chave = "6710 1234 5678";
  r.replace(r.find(chave), chave.size(), std::string("6710 1234 ") + fim);
  return r;
}

std::string Arquivo(const char* fim) {
  return std::string("3511046148273500019355001000004567101234") + fim + "-nfe.xml";
}

}  // namespace

TEST_F(SalvexaConvert, DirectoryOfPagesGivesOneLinePerPageInNameOrder) {
  const std::string html = Ler(kExemplo);
  const fs::path paginas = dir_ / "paginas";
  fs::create_directories(paginas / "sub.html");  // a directory is skipped
  std::string dataRuim = html;
  const std::string data = "<span>12/04/2011</span></td>\n<td><label>Data/Hora Sa";
  dataRuim.replace(dataRuim.find(data), data.size(), "<span>1/4/2011</span></td>\n<td><label>Data/Hora Sa");
  struct Caso {
    const char* nome;
    std::string bytes;
    int status;
    const char* arquivo;  // the saved file, or the failure's text on standard error
  };
  const Caso casos[] = {
      {"a.html", ComChave(html, "5671"), 0, "35110461482735000193550010000045671012345671-nfe.xml"},
      {"b.TXT", PaginaTextoDeArquivo(ComChave(html, "5672")), 0,
       "35110461482735000193550010000045671012345672-nfe.xml"},
      {"c.htm", dataRuim, 4, "conversion error"},
      {"d.html", "<html><body>Login</body></html>", 6, "is not an NF-e result page"},
      {"e.html", ComChave(html, "5675"), 0, "35110461482735000193550010000045671012345675-nfe.xml"},
      {"f.pdf", html, -1, ""},  // not a page's name: skipped
  };
  for (const Caso& c : casos) Gravar(paginas / c.nome, c.bytes);

  const Execucao e = Rodar("-o " + Aspas(Saida()) + " " + Aspas(paginas.string()));
  EXPECT_EQ(e.status, 6) << e.erros;  // the highest status
  std::string saida, erros;
  for (const Caso& c : casos) {
    const std::string pagina = (paginas / c.nome).string();
    if (c.status == 0) {
      saida += fs::absolute(dir_ / "saida" / c.arquivo).string() + "\n";
      // The same bytes as the page converted alone.
      const fs::path sozinha = dir_ / "sozinha";
      fs::create_directories(sozinha);
      ASSERT_EQ(Rodar("-o " + Aspas(sozinha.string()) + " " + Aspas(pagina)).status, 0) << c.nome;
      EXPECT_EQ(Ler(dir_ / "saida" / c.arquivo), Ler(sozinha / c.arquivo)) << c.nome;
    } else if (c.status > 0) {
      const std::size_t linha = e.erros.find("salvexa-convert: " + pagina + ": ");
      ASSERT_NE(linha, std::string::npos) << c.nome << ": " << e.erros;
      EXPECT_NE(e.erros.substr(linha, e.erros.find('\n', linha) - linha).find(c.arquivo), std::string::npos)
          << c.nome << ": " << e.erros;
      erros += pagina + "\n";
    }
  }
  EXPECT_EQ(e.saida, saida);
  // One line per failed page, in order.
  std::string nomeadas;
  for (std::size_t i = 0; i < e.erros.size();) {
    const std::size_t fim = e.erros.find('\n', i);
    const std::string linha = e.erros.substr(i, fim - i);
    nomeadas += linha.substr(17, linha.find(": ", 17) - 17) + "\n";
    i = fim + 1;
  }
  EXPECT_EQ(nomeadas, erros);
  std::size_t salvos = 0;
  for ([[maybe_unused]] const auto& arquivo : fs::directory_iterator(dir_ / "saida")) ++salvos;
  EXPECT_EQ(salvos, 3u);

  // Pages given one by one come out in the order given; the status is the highest.
  const Execucao dados = Rodar("-o " + Aspas(Saida()) + " " + Aspas((paginas / "e.html").string()) + " " +
                               Aspas((paginas / "c.htm").string()) + " " + Aspas((paginas / "a.html").string()) + " " +
                               Aspas((dir_ / "nao-existe.html").string()));
  EXPECT_EQ(dados.status, 5);
  EXPECT_EQ(dados.saida, fs::absolute(dir_ / "saida" / casos[4].arquivo).string() + "\n" +
                             fs::absolute(dir_ / "saida" / casos[0].arquivo).string() + "\n");
  // A directory with no page in it is an input error.
  EXPECT_EQ(Rodar(Aspas((paginas / "sub.html").string())).status, 5);
}

TEST_F(SalvexaConvert, PagesWithTheSameKeyLeaveTheLastPagesFile) {
  const std::string html = Ler(kExemplo);
  const std::string nome = "DISTRIBUIDORA PAULISTA DE ALIMENTOS LTDA";
  const fs::path primeira = dir_ / "1.html", segunda = dir_ / "2.html", outra = dir_ / "3.html";
  Gravar(primeira, html);
  std::string mudada = html;
  for (std::size_t i; (i = mudada.find(nome)) != std::string::npos;)
    mudada.replace(i, nome.size(), "SEGUNDA PAGINA LTDA");
  Gravar(segunda, mudada);
  Gravar(outra, ComChave(html, "5673"));
  for (const char* txt : {"", "--txt "}) {
    const Execucao e = Rodar(std::string(txt) + "-o " + Aspas(Saida()) + " " + Aspas(primeira.string()) + " " +
                             Aspas(segunda.string()) + " " + Aspas(outra.string()));
    EXPECT_EQ(e.status, 7) << txt << e.erros;
    EXPECT_EQ(e.saida, fs::absolute(dir_ / "saida" / kArquivoXml).string() + "\n" +
                           fs::absolute(dir_ / "saida" / Arquivo("5673")).string() + "\n")
        << txt;
    EXPECT_EQ(e.erros, "salvexa-convert: " + primeira.string() + ": the later page " + segunda.string() +
                           " has the same access key: its file " + fs::absolute(dir_ / "saida" / kArquivoXml).string() +
                           " replaced this page's\n")
        << txt;
    // The file is the later page's, as two single runs leave it.
    EXPECT_NE(Ler(dir_ / "saida" / kArquivoXml).find("SEGUNDA PAGINA LTDA"), std::string::npos) << txt;
  }
  const std::string txt = std::string(kArquivoXml).replace(std::string(kArquivoXml).size() - 3, 3, "txt");
  EXPECT_NE(Ler(dir_ / "saida" / txt).find("SEGUNDA PAGINA LTDA"), std::string::npos);
  EXPECT_NE(Rodar("--help").saida.find("  7  a later page of the run has the same access key"), std::string::npos);
}

TEST(EscaparControles, NothingReachesATerminalRaw) {
  struct Caso {
    std::string entrada;
    std::string esperado;
  };
  const Caso casos[] = {
      {"pagina.html", "pagina.html"},
      {"S\xC3\xA3o Paulo \xE2\x82\xAC", "S\xC3\xA3o Paulo \xE2\x82\xAC"},  // printable UTF-8 as it is
      {"a\x1B[2Jb", "a\\x1B[2Jb"},                                         // ESC
      {"linha\nquebrada\r\t", "linha\\x0Aquebrada\\x0D\\x09"},
      {"del\x7F", "del\\x7F"},
      {"csi\xC2\x9B"
       "31m",
       "csi\\u009B31m"},            // the C1 control introducer, as UTF-8
      {"solto\x9B", "solto\\x9B"},  // not UTF-8
      {"a\\b", "a\\\\b"},           // the escape character itself
      {std::string("nul\0x", 5), "nul\\x00x"},
  };
  for (const Caso& c : casos) EXPECT_EQ(EscaparControles(c.entrada), c.esperado) << c.entrada;
}

TEST_F(SalvexaConvert, PageNamesAndMessagesReachStandardErrorEscaped) {
  // A name holding a terminal's escape sequence and a line break: each
  // message stays one line and no control character comes out.
  const std::string nome = "pagina\x1B]0;titulo\x07\nsalvexa-convert: falsa.html";
  const fs::path pagina = dir_ / nome;
  Gravar(pagina, "nada aqui");
  const fs::path outra = dir_ / "outra.txt";
  Gravar(outra, "nada");
  const std::string escapado = (dir_ / "pagina\\x1B]0;titulo\\x07\\x0Asalvexa-convert: falsa.html").string();
  for (const std::string& argumentos :
       {Aspas(pagina.string()), Aspas(pagina.string()) + " " + Aspas(outra.string()), Aspas(pagina.string() + "x")}) {
    const Execucao e = Rodar("-o " + Aspas(Saida()) + " " + argumentos);
    EXPECT_NE(e.status, 0);
    for (char c : e.erros) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << e.erros;
    EXPECT_NE(e.erros.find(escapado), std::string::npos) << e.erros;
    EXPECT_EQ(e.erros.find("\nsalvexa-convert: falsa.html"), std::string::npos) << e.erros;
  }
}

// SIGTERM sent while a batch saves, right when a page's TXT file is in place
// and its XML is being saved: that save finishes, nothing partial or temporary
// is left (every TXT has its XML) and the program ends by the signal.
TEST_F(SalvexaConvert, SignalDuringABatchLeavesNothingPartial) {
  const std::string html = Ler(kExemplo);
  const fs::path paginas = dir_ / "paginas";
  fs::create_directories(paginas);
  for (int i = 0; i < 40; ++i)
    Gravar(paginas / (std::to_string(i + 10) + ".html"), ComChave(html, std::to_string(5600 + i).c_str()));
  for (int rodada = 0; rodada < 3; ++rodada) {
    SCOPED_TRACE("round " + std::to_string(rodada));
    fs::remove_all(Saida());
    fs::create_directories(Saida());
    const int avisos = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(avisos, 0);
    ASSERT_GE(inotify_add_watch(avisos, Saida().c_str(), IN_MOVED_TO), 0);
    const pid_t filho = fork();
    if (filho == 0) {
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      execl(kPrograma.c_str(), kPrograma.c_str(), "-t", "-o", Saida().c_str(), paginas.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    // The first TXT file renamed into place.
    bool txt = false;
    alignas(inotify_event) char eventos[4096];
    pollfd espera{avisos, POLLIN, 0};
    while (!txt && poll(&espera, 1, 60000) == 1) {  // the limit only keeps a broken program from hanging the test
      const ssize_t n = read(avisos, eventos, sizeof eventos);
      for (ssize_t i = 0; i < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(eventos + i);
        txt = txt || (e->len > 0 && std::string_view(e->name).ends_with(".txt"));
        i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      }
    }
    kill(filho, SIGTERM);
    int status = 0;
    waitpid(filho, &status, 0);
    close(avisos);
    ASSERT_TRUE(txt) << "no TXT file was saved";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
    std::vector<std::string> nomes;
    for (const auto& a : fs::directory_iterator(Saida())) nomes.push_back(a.path().filename().string());
    for (const std::string& nome : nomes) {
      EXPECT_EQ(nome.find(".tmp"), std::string::npos) << nome;
      if (nome.ends_with(".txt")) {
        EXPECT_TRUE(fs::exists(fs::path(Saida()) / (nome.substr(0, nome.size() - 4) + ".xml"))) << nome;
      }
      if (nome.ends_with(".xml")) {
        EXPECT_TRUE(Ler(fs::path(Saida()) / nome).ends_with("</nfeProc>\r\n")) << nome;
      }
    }
  }
}
