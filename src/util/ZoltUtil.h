#pragma once
// General character and text helpers used by the page converter, and the
// dynamic lookup of a library function.

#include <string>
#include <string_view>

// ASCII letters only.
constexpr bool EhLetra(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool EhDigito(char c) { return c >= '0' && c <= '9'; }
constexpr bool EhLetraOuDigito(char c) { return EhLetra(c) || EhDigito(c); }
std::string ApenasDigitos(std::string_view Texto);
// Accented letters are removed too.
std::string ApenasLetrasEDigitos(std::string_view Texto);
// The trimmed path ending with "/"; empty for an empty or all-blank path.
std::string ComBarraFinal(std::string_view Caminho);
// Loads the library (never released) and looks the function up by name.
// Endereco is cleared first and set only when found.
bool CarregarFuncaoDinamica(std::string_view Biblioteca, std::string_view Funcao, void*& Endereco);
