#include "util/ZoltUtil.h"

#include <dlfcn.h>

#include "util/kxnAuxiliar.h"

namespace {
constexpr char kSeparador = '/';
}

std::string ApenasDigitos(std::string_view Texto) { return ExtrairDigitos(Texto); }

std::string ApenasLetrasEDigitos(std::string_view Texto) {
  std::string saida;
  saida.reserve(Texto.size());
  for (const char c : Texto)
    if (EhLetraOuDigito(c)) saida += c;
  return saida;
}

std::string ComBarraFinal(std::string_view Caminho) {
  std::string caminho = Trim(Caminho);
  if (!caminho.empty() && caminho.back() != kSeparador) caminho += kSeparador;
  return caminho;
}

bool CarregarFuncaoDinamica(std::string_view Biblioteca, std::string_view Funcao, void*& Endereco) {
  Endereco = nullptr;
  const std::string biblioteca(Biblioteca), funcao(Funcao);
  if (biblioteca.empty() || funcao.empty()) return false;
  // Kept loaded for the life of the process, like any address handed out from it.
  void* modulo = dlopen(biblioteca.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!modulo) return false;
  Endereco = dlsym(modulo, funcao.c_str());
  return Endereco != nullptr;
}
