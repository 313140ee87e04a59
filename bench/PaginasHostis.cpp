// bench_paginas_hostis SALVEXA_CONVERT [MiB...]: time and peak memory of
// salvexa-convert on hostile pages of 1, 8 and 64 MiB (or the sizes given).
// Each page is converted in a process of its own, so its peak resident size
// is the conversion's. Not a test: run it by hand on an otherwise idle machine;
// time and memory must grow in proportion to the page, memory staying a small
// multiple of it.
//
//   build/bench/bench_paginas_hostis build/salvexa-convert

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "apoio/PaginaSintetica.h"

namespace {

namespace fs = std::filesystem;

// The start of a real page text up to and including `marca`.
std::string InicioAte(std::string_view marca) {
  const std::string pagina = pagina_sintetica::Pagina(1);
  const std::size_t p = pagina.find(marca);
  return pagina.substr(0, p == std::string::npos ? pagina.size() : p + marca.size());
}

struct Hostil {
  const char* nome;
  std::string inicio;    // written once
  std::string repetido;  // then repeated up to the size
};

std::vector<Hostil> Paginas() {
  return {
      // A head of meta tags never closed: each was once read to the end of the page.
      {"head-of-open-meta", "<html><head>", "<meta "},
      // Empty lines after the billing table's headings: once a duplicate each.
      {"billing-empty-lines", InicioAte("DUPLICATAS\r\nNúmero\r\nVencimento\r\nValor\r\n"_cp), "\r\n"},
      // The same with lone line feeds, each of which grows into a line separator.
      {"billing-line-feeds", InicioAte("DUPLICATAS\r\nNúmero\r\nVencimento\r\nValor\r\n"_cp), "\n"},
      // Rows that are not empty: read up to the table's limit, the rest counted.
      {"billing-rows", InicioAte("DUPLICATAS\r\nNúmero\r\nVencimento\r\nValor\r\n"_cp), "x\r\n"},
      {"observation-empty-lines", InicioAte("OBSERVAÇÕES DO CONTRIBUINTE\r\nCampo\r\nTexto\r\n"_cp), "\r\n"},
  };
}

void Escrever(const fs::path& arquivo, const Hostil& h, std::size_t tamanho) {
  std::string pagina = h.inicio;
  pagina.reserve(tamanho);
  while (pagina.size() + h.repetido.size() <= tamanho) pagina += h.repetido;
  std::ofstream(arquivo, std::ios::binary) << pagina;
}

struct Medida {
  int status = -1;
  double segundos = 0;
  double picoMiB = 0;
};

Medida Converter(const std::string& programa, const fs::path& pagina, const fs::path& saida) {
  const auto inicio = std::chrono::steady_clock::now();
  const pid_t filho = fork();
  if (filho == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    execl(programa.c_str(), programa.c_str(), "-o", saida.c_str(), pagina.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  Medida m;
  int status = 0;
  rusage uso{};
  if (filho < 0 || wait4(filho, &status, 0, &uso) != filho) return m;
  m.segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  m.picoMiB = static_cast<double>(uso.ru_maxrss) / 1024.0;  // kB on Linux
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: bench_paginas_hostis SALVEXA_CONVERT [MiB...]\n";
    return 2;
  }
  std::vector<std::size_t> tamanhos;
  for (int i = 2; i < argc; ++i) tamanhos.push_back(static_cast<std::size_t>(std::atoi(argv[i])));
  if (tamanhos.empty()) tamanhos = {1, 8, 64};

  const fs::path dir = fs::temp_directory_path() / ("salvexa-hostis-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::printf("%-24s %5s %6s %9s %9s %8s %9s\n", "page", "MiB", "status", "seconds", "s/MiB", "peak MiB", "peak/size");
  std::fflush(stdout);  // not to be written again by a child
  for (const Hostil& h : Paginas()) {
    for (const std::size_t mib : tamanhos) {
      const fs::path pagina = dir / (std::string(h.nome) + ".txt");
      Escrever(pagina, h, mib << 20);
      const Medida m = Converter(argv[1], pagina, dir);
      std::printf("%-24s %5zu %6d %9.3f %9.4f %8.1f %9.2f\n", h.nome, mib, m.status, m.segundos,
                  m.segundos / static_cast<double>(mib), m.picoMiB, m.picoMiB / static_cast<double>(mib));
      std::fflush(stdout);
      fs::remove(pagina);
    }
  }
  fs::remove_all(dir);
  return 0;
}
