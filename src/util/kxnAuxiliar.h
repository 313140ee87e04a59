#pragma once
// Fiscal helpers: text preparation for XML, digit filters, identifiers, access key, validators.
// All functions are stateless; texts are Windows-1252, one byte per character.

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

// Schema version of a document; it picks the layout version text and the key form.
enum TkxnSchema { TsPL005c, TsPL006, TsPL_CTe_103, TsPL_CTe_104 };

// ---- Text and number helpers ----

// Removes leading and trailing bytes with code 32 or lower.
std::string Trim(std::string_view Texto);
// The same trim as a view of the text, without a copy.
std::string_view Aparar(std::string_view Texto);

// A field value as it goes between its tags: accents off (and bytes outside
// 32..126 become spaces) when RetirarAcentos, XML escaping, runs of spaces
// collapsed when RetirarEspacos, then trimmed.
std::string PrepararTextoXML(bool RetirarEspacos, std::string_view Texto, bool RetirarAcentos);
// PrepararTextoXML appended to `destino` (the writer builds whole documents this way).
void AnexarTextoXML(std::string& destino, bool RetirarEspacos, std::string_view Texto, bool RetirarAcentos);
std::string ExtrairDigitos(std::string_view Texto);
// True for the empty text.
bool TodosDigitos(std::string_view Texto);
// Exactly Tamanho characters: zero-padded on the left, or only the last Tamanho kept.
std::string NumeroComZeros(long long Numero, int Tamanho);
// Trimmed; with Ajustar, an all-digit number of 1 or 2 characters is padded to 3.
std::string CompletarNumeroEndereco(bool Ajustar, std::string_view Numero);

template <class A, class B>
std::common_type_t<std::decay_t<A>, std::decay_t<B>> Selecionar(bool Condicao, A&& SeVerdadeiro, B&& SeFalso) {
  if (Condicao) return std::forward<A>(SeVerdadeiro);
  return std::forward<B>(SeFalso);
}

// The text after the first Inicio up to the first Fim after it; empty when either is missing.
std::string TextoEntre(std::string_view Texto, std::string_view Inicio, std::string_view Fim);
// Lista is "|a|b|"; true when Tag begins with one of the items.
bool TagNaLista(std::string_view Tag, std::string_view Lista);
// Value of the last character; ErroConversao when it is not a digit or the text is empty.
int UltimoDigito(std::string_view Texto);
// "1.10", "2.00"...; "0.00" for pairs without a version.
std::string VersaoDoLeiaute(TkxnSchema Schema, int Leiaute);

// ---- Fiscal identifiers and access key ----

bool ConferirCodigoUF(int Codigo);
// The 27 abbreviations and "EX"; case-sensitive.
bool ConferirSiglaUF(std::string_view Sigla);
// Empty when the code is not a UF code.
std::string SiglaPorCodigoUF(int Codigo);
// 0 when unknown or "EX".
int CodigoPorSiglaUF(std::string_view Sigla);
// False unless 14 (11) characters; ErroConversao when such a text holds a non-digit.
bool ConferirCNPJ(std::string_view CNPJ);
bool ConferirCPF(std::string_view CPF);
// Check digit of the first 43 digits of Chave; true only when it has exactly 43 digits.
bool CalcularDigitoChave(int& Digito, std::string_view Chave);
// cNF 0 draws a random numeric code, cNF -1 derives it from nNF. dEmi is a
// TDateTime (days since 1899-12-30). False and an empty Chave on any failure,
// and for any negative field (cNF below -1).
bool ComporChaveAcesso(std::string& Chave, int cUF, int cNF, int modelo, int serie, int nNF, int tpEmis, double dEmi,
                       std::string_view CNPJ);
bool ComporChaveAcessoSemTipoEmissao(std::string& Chave, int cUF, int cNF, int modelo, int serie, int nNF, double dEmi,
                                     std::string_view CNPJ);
// Repeatable 8-digit code for an invoice number; ErroConversao for a negative number.
int DerivarCodigoNumerico(int Numero);
// Numeric code inside a key (8 digits from 2.00 on, else 9); ErroConversao when too short.
int CodigoNumericoDaChave(std::string_view Chave, double Versao);
// "NFe" + 44 digits with right check digit, UF, year-month and CNPJ.
bool ConferirChaveAcesso(std::string_view Chave);
bool ConferirAnoMes(std::string_view AAMM);
bool ConferirModeloNF(int Modelo);

// ---- Code-list and state-registration validators ----

bool ConferirCodigoMunicipio(int Codigo);
// 1 listed, 0 unlisted with a consistent check digit, -1 otherwise (and for
// codes outside 0 to 9999).
int ConferirCodigoPais(int Codigo);
bool ConferirItemServico(int Codigo);
// ErroConversao when the text has 9 digits but its first nine characters are not all digits.
bool ConferirSUFRAMA(std::string_view ISUF);
// ErroConversao for UF "AP" and an IE that is not a plain number (digits only, no sign).
bool ConferirInscricaoEstadual(std::string_view IE, std::string_view UF, bool IgnorarInicio);
