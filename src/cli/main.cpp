// salvexa-convert: converts saved result pages of the portal's complete
// consultation into "<key>-nfe.xml", with no window and no clipboard.

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "converter/Lote.h"
#include "converter/PaginaSalva.h"
#include "converter/ZoltHTMLtoXML.h"
#include "util/ErroConversao.h"
#include "util/TextoSeguro.h"
#include "util/Win1252.h"

namespace {

enum Saida : int {
  kSalvo = 0,
  kErroInterno = 1,
  kErroUso = 2,
  kNFeInexistente = 3,
  kErroConversao = 4,
  kErroArquivo = 5,
  kNaoEhPagina = 6,
  kMesmaChave = 7,
};

constexpr std::string_view kAjuda = R"(Usage: salvexa-convert [options] PAGE...

Converts a result page of the NF-e portal's complete consultation into the
NF-e XML file "<access key>-nfe.xml" and prints the saved file's path.

PAGE is the page saved from a browser (HTML; its body is read as the desktop
program captures it) or the page text already captured from it; "-" reads
standard input. It is taken as HTML when an html, head or body tag comes
before its first label ("Chave de acesso"); --html and --text say it instead.
The text is decoded by its byte order mark (UTF-8, UTF-16 LE or BE), else by
the charset an HTML page declares, else as UTF-8 when it is valid UTF-8, else
as Windows-1252.

Several pages: each is converted on its own (on all the processor's cores),
the options apply to each; standard output gets one line per saved page (the
XML file's path), standard error one line per failed page naming the page and
why, both in the order the pages were given. A directory given as PAGE stands
for its regular files named *.htm, *.html or *.txt (any letter case), sorted
by name byte by byte; other files and subdirectories are skipped. "-" is taken only as the
one page of a run. When pages of a run have the same access key, the file is
that of the last of them, as with one run per page, and each earlier one is
told as failed (status 7).

Options:
  -o, --output-dir DIR  save the XML file in DIR (default: the current directory)
  -a, --alerts          list the XML writer's alerts on standard error (without
                        it, only their number is told there)
  -t, --txt             also save the NF-e's TXT form "<access key>-nfe.txt"
                        (Windows-1252) beside the XML file
      --html            take PAGE as an HTML page
      --text            take PAGE as captured page text
  -h, --help            show this help and exit

Exit status (with several pages: 0 when every page was saved, else the
highest status of the failed pages):
  0  the XML file was saved
  1  unexpected internal error
  2  usage error
  3  the portal has no such NF-e ("NF-e INEXISTENTE na base nacional.")
  4  conversion error: a value of the page cannot be read (no file is written)
  5  input/output error: the page cannot be read or is larger than 64 MiB,
     the file cannot be written (a read-only file is not replaced) or its
     path cannot be printed
  6  not an NF-e result page: the text holds none of the result page's labels
     (such as "Chave de acesso") nor the portal's not-found text (no file is
     written)
  7  a later page of the run has the same access key: its file replaced this
     page's
)";

struct Argumentos {
  std::vector<std::string> paginas;
  std::string diretorio;
  FormaPagina forma = FormaPagina::Detectar;
  bool alertas = false;
  bool txt = false;
  bool ajuda = false;
};

int ErroDeUso(const std::string& mensagem) {
  std::cerr << "salvexa-convert: " << EscaparControles(mensagem) << "\nTry 'salvexa-convert --help'.\n";
  return kErroUso;
}

// Fills `args`; returns an exit status when the command line is wrong.
std::optional<int> LerArgumentos(int argc, char** argv, Argumentos& args) {
  bool soArquivos = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (!soArquivos && (a == "-h" || a == "--help")) {
      args.ajuda = true;
    } else if (!soArquivos && (a == "-a" || a == "--alerts")) {
      args.alertas = true;
    } else if (!soArquivos && (a == "-t" || a == "--txt")) {
      args.txt = true;
    } else if (!soArquivos && (a == "--html" || a == "--text")) {
      const FormaPagina forma = a == "--html" ? FormaPagina::HTML : FormaPagina::Texto;
      if (args.forma != FormaPagina::Detectar && args.forma != forma)
        return ErroDeUso("--html and --text cannot be given together");
      args.forma = forma;
    } else if (!soArquivos && (a == "-o" || a == "--output-dir")) {
      if (i + 1 >= argc) return ErroDeUso("option " + std::string(a) + " needs a directory");
      args.diretorio = argv[++i];
    } else if (!soArquivos && a.starts_with("--output-dir=")) {
      args.diretorio = std::string(a.substr(13));
    } else if (!soArquivos && a == "--") {
      soArquivos = true;
    } else if (!soArquivos && a.size() > 1 && a[0] == '-') {
      return ErroDeUso("unknown option " + std::string(a));
    } else {
      args.paginas.emplace_back(a);
    }
  }
  if (args.ajuda) return std::nullopt;
  if (args.paginas.empty()) return ErroDeUso("missing the page to convert");
  for (const std::string& pagina : args.paginas) {
    if (pagina.empty()) return ErroDeUso("empty page name");
    // Standard input cannot be read again when its file has to be redone.
    if (pagina == "-" && args.paginas.size() > 1) return ErroDeUso("\"-\" cannot be given with other pages");
  }
  return std::nullopt;
}

// A real result page is a few MB (990 items are about 1.2 MB of text).
constexpr std::size_t kMaximoEntrada = std::size_t{64} << 20;

// At most kMaximoEntrada bytes of `entrada`; false when there are more.
bool LerLimitado(std::istream& entrada, std::string& bytes) {
  constexpr std::size_t kBloco = std::size_t{1} << 20;
  bytes.clear();
  while (entrada && bytes.size() <= kMaximoEntrada) {
    const std::size_t antes = bytes.size();
    bytes.resize(antes + kBloco);
    entrada.read(bytes.data() + antes, kBloco);
    bytes.resize(antes + static_cast<std::size_t>(entrada.gcount()));
  }
  return bytes.size() <= kMaximoEntrada;
}

// The whole file (or standard input for "-"); false with a message on failure.
bool LerEntrada(const std::string& nome, std::string& bytes, std::string& erro) {
  const std::string limite = " is larger than the 64 MiB limit of a page";
  if (nome == "-") {
    if (!LerLimitado(std::cin, bytes)) {
      erro = "standard input" + limite;
      return false;
    }
    if (std::cin.bad()) {
      erro = "cannot read standard input";
      return false;
    }
    return true;
  }
  std::error_code ec;
  if (std::filesystem::is_directory(nome, ec)) {
    erro = "cannot read " + nome + ": it is a directory";
    return false;
  }
  std::ifstream arquivo(nome, std::ios::binary);
  if (!arquivo) {
    erro = "cannot read " + nome + ": " + std::strerror(errno);
    return false;
  }
  if (!LerLimitado(arquivo, bytes)) {
    erro = nome + limite;
    return false;
  }
  if (arquivo.bad()) {
    erro = "cannot read " + nome;
    return false;
  }
  return true;
}

// What one page's conversion has to tell: printed by the caller, so that
// pages converted side by side keep the order they were given in.
struct Relato {
  int status = kSalvo;
  std::string caminho;  // the saved XML file, as it is printed
  std::string erros;    // standard error's lines
};

// How a page's lines on standard error start: alone, as they always did;
// among several pages, each line names its page.
struct Prefixos {
  std::string mensagem;  // "salvexa-convert: " (+ "PAGE: ")
  std::string lista;     // before alerts and the portal's own text
};

Prefixos PrefixosDe(const std::string& pagina, bool varias) {
  if (!varias) return {"salvexa-convert: ", ""};
  const std::string p = "salvexa-convert: " + EscaparControles(pagina) + ": ";
  return {p, p};
}

// Reads and converts a page: the Relato is final unless a conversion is
// left in `conversao` to be saved.
Relato ConverterSemCapturar(const std::string& nome, const Argumentos& args, const Prefixos& p,
                            std::optional<TConversaoPendente>& conversao) {
  Relato r;
  std::string bytes, erro;
  if (!LerEntrada(nome, bytes, erro)) {
    r.erros = p.mensagem + EscaparControles(erro) + "\n";
    r.status = kErroArquivo;
    return r;
  }
  const std::string pagina = PaginaTextoDeArquivo(bytes, args.forma);
  bytes.clear();
  bytes.shrink_to_fit();
  // Another page or an unrelated file is not the portal saying "no such NF-e".
  if (!EhPaginaDeResultado(pagina)) {
    r.erros = p.mensagem + (nome == "-" ? std::string("standard input") : EscaparControles(nome)) +
              " is not an NF-e result page\n";
    r.status = kNaoEhPagina;
    return r;
  }

  TConversaoPendente convertida = PrepararConversaoNFe(pagina, args.diretorio, args.txt);
  if (!convertida.Resultado.Encontrada) {
    r.erros = p.lista + std::string(MensagemNFeInexistente) + "\n";
    r.status = kNFeInexistente;
    return r;
  }
  conversao = std::move(convertida);
  return r;
}

// Saves a converted page and tells what there is to tell about it.
Relato SalvarSemCapturar(TConversaoPendente& conversao, const Argumentos& args, const Prefixos& p,
                         std::mutex& gravacao) {
  Relato r;
  const TResultadoConversao& resultado = conversao.Resultado;
  {
    // A terminating signal waits for the save in progress (see ReterSinais).
    const std::lock_guard trava(gravacao);
    SalvarConversaoNFe(conversao);
  }
  std::error_code ec;
  const std::filesystem::path absoluto = std::filesystem::absolute(resultado.Caminho, ec);
  r.caminho = ec ? resultado.Caminho : absoluto.string();
  if (!resultado.PastaGravada)
    r.erros += p.mensagem + "saved " + r.caminho +
               ", but its directory could not be flushed to disk: a power cut may still lose the file\n";
  // The file is saved either way, but a person must not take it for clean.
  const std::size_t n = resultado.Alertas.size() + resultado.AlertasNaoListados;
  if (args.alertas) {
    for (const std::string& alerta : resultado.Alertas)
      r.erros += p.lista + EscaparControles(win1252::ParaUtf8(alerta)) + "\n";
    if (resultado.AlertasNaoListados > 0)
      r.erros += p.mensagem + std::to_string(resultado.AlertasNaoListados) + " more alerts were raised, not listed\n";
  } else if (n > 0)
    r.erros += p.mensagem + "the XML writer raised " + std::to_string(n) + (n == 1 ? " alert" : " alerts") +
               " (the file may not be valid NF-e); run again with --alerts to list them\n";
  return r;
}

// Runs one step of a page (`passo` returns its Relato); never throws, so that
// it can run in a worker: a failure becomes the page's Relato.
template <class Passo>
Relato Capturar(const Prefixos& p, Passo passo) {
  const auto falha = [&](int status, const std::string& mensagem) {
    Relato r;
    r.status = status;
    r.erros = p.mensagem + EscaparControles(mensagem) + "\n";
    return r;
  };
  try {
    return passo();
  } catch (const ErroConversao& e) {
    return falha(kErroConversao, "conversion error: " + win1252::ParaUtf8(e.what()));
  } catch (const std::system_error& e) {  // filesystem errors included
    return falha(kErroArquivo, std::string("cannot write the XML file: ") + e.what());
  } catch (const std::bad_alloc&) {
    return falha(kErroInterno, "out of memory");
  } catch (const std::exception& e) {
    return falha(kErroInterno, std::string("internal error: ") + e.what());
  } catch (...) {
    return falha(kErroInterno, "internal error");
  }
}

// A page of the run: converted by a worker, then saved in its turn.
struct PaginaDoLote {
  Relato relato;
  std::optional<TConversaoPendente> conversao;  // converted, to be saved
  bool convertida = false;
};

void Converter(PaginaDoLote& pagina, const std::string& nome, const Argumentos& args, bool varias) {
  const Prefixos p = PrefixosDe(nome, varias);
  pagina.relato = Capturar(p, [&] { return ConverterSemCapturar(nome, args, p, pagina.conversao); });
}

void Salvar(PaginaDoLote& pagina, const std::string& nome, const Argumentos& args, bool varias, std::mutex& gravacao) {
  if (!pagina.conversao) return;
  const Prefixos p = PrefixosDe(nome, varias);
  pagina.relato = Capturar(p, [&] { return SalvarSemCapturar(*pagina.conversao, args, p, gravacao); });
  pagina.conversao.reset();
}

// Prints a page's lines; the path last checked, since a caller waiting for it
// must not take silence for success.
int Imprimir(const Relato& r, const std::string& nome, bool varias) {
  const int status = r.status;
  if (!r.caminho.empty()) {
    std::cout << r.caminho << std::endl;
    if (!std::cout) {
      std::cerr << PrefixosDe(nome, varias).mensagem << "cannot print the saved path " << EscaparControles(r.caminho)
                << "\n";
      std::cout.clear();
      return std::max(status, int{kErroArquivo});
    }
  }
  std::cerr << r.erros << std::flush;
  return status;
}

// The pages PAGE stands for: a directory's pages sorted by name, else itself.
bool Expandir(const std::string& nome, std::vector<std::string>& paginas, std::string& erro) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (nome == "-" || !fs::is_directory(nome, ec)) {
    paginas.push_back(nome);
    return true;
  }
  std::vector<std::string> achadas;
  for (fs::directory_iterator it(nome, ec), fim; !ec && it != fim; it.increment(ec)) {
    std::string extensao = it->path().extension().string();
    std::transform(extensao.begin(), extensao.end(), extensao.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    std::error_code ecArquivo;
    if ((extensao == ".htm" || extensao == ".html" || extensao == ".txt") && it->is_regular_file(ecArquivo))
      achadas.push_back(it->path().string());
  }
  if (ec) {
    erro = "cannot list " + nome + ": " + ec.message();
    return false;
  }
  if (achadas.empty()) {
    erro = "cannot read " + nome + ": it is a directory with no *.htm, *.html or *.txt file";
    return false;
  }
  std::sort(achadas.begin(), achadas.end());
  paginas.insert(paginas.end(), achadas.begin(), achadas.end());
  return true;
}

// One per core, as long as that many of the run's largest page fit in half
// the machine's memory at once.
std::size_t Trabalhadores(const std::vector<std::string>& paginas) {
  std::uintmax_t maior = 0;
  for (const std::string& pagina : paginas) {
    std::error_code ec;
    const std::uintmax_t tamanho = std::filesystem::file_size(pagina, ec);
    if (!ec) maior = std::max(maior, std::min<std::uintmax_t>(tamanho, kMaximoEntrada));
  }
  const long paginasFisicas = sysconf(_SC_PHYS_PAGES), tamanhoPagina = sysconf(_SC_PAGE_SIZE);
  const std::uintmax_t memoria =
      paginasFisicas > 0 && tamanhoPagina > 0
          ? static_cast<std::uintmax_t>(paginasFisicas) * static_cast<std::uintmax_t>(tamanhoPagina) / 2
          : 0;
  return TrabalhadoresDoLote(std::thread::hardware_concurrency(), paginas.size(), maior, memoria);
}

int ConverterVarias(const Argumentos& args, std::mutex& gravacao) {
  std::vector<std::string> paginas;
  int pior = kSalvo;
  for (const std::string& nome : args.paginas) {
    std::string erro;
    if (!Expandir(nome, paginas, erro)) {
      std::cerr << "salvexa-convert: " << EscaparControles(erro) << "\n";
      pior = kErroArquivo;
    }
  }
  const bool varias =
      paginas.size() > 1 || args.paginas.size() > 1 || (paginas.size() == 1 && paginas.front() != args.paginas.front());
  if (!varias && paginas.size() == 1) {
    PaginaDoLote pagina;
    Converter(pagina, paginas.front(), args, false);
    Salvar(pagina, paginas.front(), args, false, gravacao);
    return Imprimir(pagina.relato, paginas.front(), false);
  }

  // Workers convert the pages side by side, each taking the next one, at most
  // a few pages ahead of the saves so that the converted documents waiting
  // stay few; this thread saves them one at a time in the order given.
  std::vector<PaginaDoLote> lote(paginas.size());
  const std::size_t nTrabalhadores = Trabalhadores(paginas);
  const std::size_t adiante = 2 * nTrabalhadores;
  std::mutex estado;
  std::condition_variable mudou;
  std::size_t proxima = 0, salvas = 0;
  const auto trabalhar = [&] {
    for (;;) {
      std::size_t i;
      {
        std::unique_lock trava(estado);
        mudou.wait(trava, [&] { return proxima >= paginas.size() || proxima < salvas + adiante; });
        if (proxima >= paginas.size()) return;
        i = proxima++;
      }
      Converter(lote[i], paginas[i], args, true);
      {
        const std::lock_guard trava(estado);
        lote[i].convertida = true;
      }
      mudou.notify_all();
    }
  };
  std::vector<std::thread> trabalhadores;
  for (std::size_t t = 0; t < nTrabalhadores; ++t) trabalhadores.emplace_back(trabalhar);

  for (std::size_t i = 0; i < paginas.size(); ++i) {
    {
      std::unique_lock trava(estado);
      mudou.wait(trava, [&] { return lote[i].convertida; });
    }
    Salvar(lote[i], paginas[i], args, true, gravacao);
    {
      const std::lock_guard trava(estado);
      salvas = i + 1;
    }
    mudou.notify_all();
  }
  for (std::thread& t : trabalhadores) t.join();

  // Pages with the same key wrote the same file, in the order given: the
  // last page saved wins, as it would with one run per page.
  std::map<std::string, std::size_t> ultima;
  for (std::size_t i = 0; i < paginas.size(); ++i)
    if (!lote[i].relato.caminho.empty()) ultima[lote[i].relato.caminho] = i;
  for (std::size_t i = 0; i < paginas.size(); ++i) {
    Relato& r = lote[i].relato;
    if (r.caminho.empty()) continue;
    const std::size_t j = ultima[r.caminho];
    if (j == i) continue;
    r.erros = "salvexa-convert: " + EscaparControles(paginas[i]) + ": the later page " + EscaparControles(paginas[j]) +
              " has the same access key: its file " + EscaparControles(r.caminho) + " replaced this page's\n";
    r.caminho.clear();
    r.status = kMesmaChave;
  }

  for (std::size_t i = 0; i < paginas.size(); ++i) pior = std::max(pior, Imprimir(lote[i].relato, paginas[i], true));
  return pior;
}

// SIGHUP, SIGINT, SIGQUIT and SIGTERM are held back in every thread (the
// workers inherit it) and taken in one place, a thread of their own: it waits
// for the save in progress, which holds `gravacao`, keeps any other from
// starting and ends the program by the signal. So no page is ever left half
// saved, whichever thread the signal was sent to.
void ReterSinais(std::mutex& gravacao) {
  sigset_t sinais;
  sigemptyset(&sinais);
  for (const int s : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaddset(&sinais, s);
  pthread_sigmask(SIG_BLOCK, &sinais, nullptr);
  std::thread([sinais, &gravacao] {
    int sinal = 0;
    while (sigwait(&sinais, &sinal) != 0) {
    }
    gravacao.lock();  // held until the end: no save starts any more
    std::signal(sinal, SIG_DFL);
    sigset_t esse;
    sigemptyset(&esse);
    sigaddset(&esse, sinal);
    pthread_sigmask(SIG_UNBLOCK, &esse, nullptr);
    raise(sinal);
    _exit(128 + sinal);  // not reached: the signal's default action ends the program
  }).detach();
}

}  // namespace

int main(int argc, char** argv) {
  Argumentos args;
  if (const auto saida = LerArgumentos(argc, argv, args)) return *saida;
  if (args.ajuda) {
    std::cout << kAjuda;
    return kSalvo;
  }
  // Over the file-size limit the save then fails as an output error
  // instead of the signal ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  std::mutex gravacao;
  ReterSinais(gravacao);
  return ConverterVarias(args, gravacao);
}
