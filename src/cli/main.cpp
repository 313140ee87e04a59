// salvexa-convert: converts a saved result page of the portal's complete
// consultation into "<key>-nfe.xml", with no window and no clipboard.

#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include "converter/PaginaSalva.h"
#include "converter/ZoltHTMLtoXML.h"
#include "util/ErroConversao.h"
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
};

constexpr std::string_view kAjuda = R"(Usage: salvexa-convert [options] PAGE

Converts a result page of the NF-e portal's complete consultation into the
NF-e XML file "<access key>-nfe.xml" and prints the saved file's path.

PAGE is the page saved from a browser (HTML; its body is read as the desktop
program captures it) or the page text already captured from it; "-" reads
standard input. It is taken as HTML when an html, head or body tag comes
before its first label ("Chave de acesso"); --html and --text say it instead.
The text is decoded by its byte order mark (UTF-8, UTF-16 LE or BE), else by
the charset an HTML page declares, else as UTF-8 when it is valid UTF-8, else
as Windows-1252.

Options:
  -o, --output-dir DIR  save the XML file in DIR (default: the current directory)
  -a, --alerts          list the XML writer's alerts on standard error (without
                        it, only their number is told there)
  -t, --txt             also save the NF-e's TXT form "<access key>-nfe.txt"
                        (Windows-1252) beside the XML file
      --html            take PAGE as an HTML page
      --text            take PAGE as captured page text
  -h, --help            show this help and exit

Exit status:
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
)";

struct Argumentos {
  std::string pagina;
  std::string diretorio;
  FormaPagina forma = FormaPagina::Detectar;
  bool alertas = false;
  bool txt = false;
  bool ajuda = false;
};

int ErroDeUso(const std::string& mensagem) {
  std::cerr << "salvexa-convert: " << mensagem << "\nTry 'salvexa-convert --help'.\n";
  return kErroUso;
}

// Fills `args`; returns an exit status when the command line is wrong.
std::optional<int> LerArgumentos(int argc, char** argv, Argumentos& args) {
  bool temPagina = false, soArquivos = false;
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
    } else if (temPagina) {
      return ErroDeUso("only one page at a time");
    } else {
      args.pagina = std::string(a);
      temPagina = true;
    }
  }
  if (args.ajuda) return std::nullopt;
  if (!temPagina) return ErroDeUso("missing the page to convert");
  if (args.pagina.empty()) return ErroDeUso("empty page name");
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

int Converter(const Argumentos& args) {
  std::string bytes, erro;
  if (!LerEntrada(args.pagina, bytes, erro)) {
    std::cerr << "salvexa-convert: " << erro << "\n";
    return kErroArquivo;
  }
  const std::string pagina = PaginaTextoDeArquivo(bytes, args.forma);
  bytes.clear();
  bytes.shrink_to_fit();
  // Another page or an unrelated file is not the portal saying "no such NF-e".
  if (!EhPaginaDeResultado(pagina)) {
    std::cerr << "salvexa-convert: " << (args.pagina == "-" ? std::string("standard input") : args.pagina)
              << " is not an NF-e result page\n";
    return kNaoEhPagina;
  }

  const TResultadoConversao resultado = ConverterPaginaNFe(pagina, args.diretorio, args.txt);
  if (!resultado.Encontrada) {
    std::cerr << MensagemNFeInexistente << "\n";
    return kNFeInexistente;
  }
  std::error_code ec;
  const std::filesystem::path absoluto = std::filesystem::absolute(resultado.Caminho, ec);
  std::cout << (ec ? resultado.Caminho : absoluto.string()) << std::endl;
  if (!std::cout) {  // a caller waiting for the path must not take silence for success
    std::cerr << "salvexa-convert: cannot print the saved path " << resultado.Caminho << "\n";
    return kErroArquivo;
  }
  // The file is saved either way, but a person must not take it for clean.
  const std::size_t n = resultado.Alertas.size();
  if (args.alertas)
    for (const std::string& alerta : resultado.Alertas) std::cerr << win1252::ParaUtf8(alerta) << "\n";
  else if (n > 0)
    std::cerr << "salvexa-convert: the XML writer raised " << n << (n == 1 ? " alert" : " alerts")
              << " (the file may not be valid NF-e); run again with --alerts to list them\n";
  return kSalvo;
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
  try {
    return Converter(args);
  } catch (const ErroConversao& e) {
    std::cerr << "salvexa-convert: conversion error: " << win1252::ParaUtf8(e.what()) << "\n";
    return kErroConversao;
  } catch (const std::system_error& e) {  // filesystem errors included
    std::cerr << "salvexa-convert: cannot write the XML file: " << e.what() << "\n";
    return kErroArquivo;
  } catch (const std::bad_alloc&) {
    std::cerr << "salvexa-convert: out of memory\n";
    return kErroInterno;
  } catch (const std::exception& e) {
    std::cerr << "salvexa-convert: internal error: " << e.what() << "\n";
    return kErroInterno;
  } catch (...) {
    std::cerr << "salvexa-convert: internal error\n";
    return kErroInterno;
  }
}
