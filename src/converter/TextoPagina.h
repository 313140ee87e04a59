#pragma once
// The page text of the portal's complete-consultation result page: the
// cleaning of the captured markup into page text, the joining of its lines,
// and the lookups the converter reads values with.
//
// Everything is Windows-1252, one byte per character. Lookups work on views
// of one joined text and its ASCII-folded twin (same length, same offsets), so
// cutting the text into sections and items never copies it.

#include <cstddef>
#include <string>
#include <string_view>

#include "nfe/Currency.h"
#include "nfe/DataHora.h"
#include "util/kxnAuxiliar.h"  // Aparar, the trim shared by the core

// ---- Cleaning of the captured body markup into page text ----

// Drops comments and the script, style and noscript elements with all they
// hold (tag names in any letter case); their line breaks stay, so the lines
// around them keep their place. An element or comment never closed drops
// the rest of the text.
std::string RemoverScriptsEComentarios(std::string_view marcacao);
// Removes every tag: from each "<" through the first ">" after it. A "<"
// that is never closed drops the rest of the text (an unfinished tag).
std::string RemoverTags(std::string_view texto);
// Every line break (CR LF, lone CR, lone LF) becomes CR LF.
std::string NormalizarQuebrasDeLinha(std::string_view texto);
// Removes every "&nbsp;" in any letter case and, in the same pass, decodes
// "&amp;", "&lt;", "&gt;" and "&quot;" (what inner HTML holds for those
// characters of the page's text); other references stay as they are.
std::string RemoverNbsp(std::string_view texto);
// Drops the lines (CR LF separated) that are blank. The last line is never
// examined and always stays. Script text never gets here (see above), so a
// value holding "documento" or a brace keeps its line.
std::string FiltrarLinhas(std::string_view texto);
// The steps above in order: captured body markup in, page text out.
std::string LimparTextoCapturado(std::string_view marcacao);

// ---- Joined text ----

inline constexpr std::string_view kSeparadorLinha = "|&|";

// CR LF pairs become the line separator "|&|".
std::string JuntarLinhas(std::string_view paginaTexto);
// ASCII a-z to A-Z; every other byte, accented letters included, unchanged.
std::string DobrarAscii(std::string_view texto);

// A piece of a text with its folded twin at the same offsets.
struct Trecho {
  std::string_view texto;
  std::string_view dobrado;

  std::size_t size() const { return texto.size(); }
  bool empty() const { return texto.empty(); }
  // Characters from `pos` (clamped to the end), at most `n` of them.
  Trecho Sub(std::size_t pos, std::size_t n = std::string_view::npos) const;
};

// Owns a text and its folded twin; hands out views of both.
class TextoDobrado {
 public:
  explicit TextoDobrado(std::string texto);
  TextoDobrado(const TextoDobrado&) = delete;
  TextoDobrado& operator=(const TextoDobrado&) = delete;
  Trecho Inteiro() const { return {texto_, dobrado_}; }

 private:
  std::string texto_;
  std::string dobrado_;
};

// Position of the first occurrence of `chave` in the text, ignoring the case of
// ASCII letters (npos when absent). `chave` is given as written.
std::size_t BuscarSemCaixa(Trecho texto, std::string_view chave);
// Whether the text holds `chave`, ignoring the case of ASCII letters.
bool ContemSemCaixa(Trecho texto, std::string_view chave);
// The same on a text without its folded twin, folding as it compares (no copy).
bool ContemSemCaixa(std::string_view texto, std::string_view chave);
// Where a label is read (ASCII case ignored): its first occurrence at the
// start of a line (at the start of the text or after a line separator, blanks
// allowed before it), else its first occurrence anywhere, so "UF" is not
// taken from inside "RUFINO" on an earlier line; npos when absent.
std::size_t BuscarRotulo(Trecho texto, std::string_view rotulo);

// ---- Lookups ----

// Cuts `texto` at the first occurrence of the trimmed heading (ASCII case
// ignored): `aPartir` gets the text from the heading on, `antes` the text
// before it. When the heading is absent `antes` is empty and `aPartir` is left
// as it was.
void CortarNaSecao(std::string_view cabecalho, Trecho texto, Trecho& aPartir, Trecho& antes);

// The value after the trimmed label found by BuscarRotulo: with contagem 0 (or less) up to the next line separator
// (empty when none follows), otherwise exactly that many characters (fewer at the end), which may cross a separator.
// Trimmed.
std::string_view ValorAposRotulo(Trecho texto, std::string_view rotulo, int contagem);
std::string_view ValorAposRotulo(std::string_view texto, std::string_view rotulo, int contagem);

// The value after `rotulo1` when it occurs, else after `rotulo2`, else empty.
// Labels are searched exactly as written (letter case and blanks count); the
// value is not trimmed.
std::string_view ValorAposUmDosRotulos(std::string_view rotulo1, std::string_view rotulo2, std::string_view texto,
                                       int contagem);

// The one character right after the first exact occurrence of the label;
// empty when the label is absent or ends the text.
std::string_view CaractereAposRotulo(std::string_view texto, std::string_view rotulo);

// The text from the first exact occurrence of `marca` on; all of it when absent.
std::string_view CortarEm(std::string_view texto, std::string_view marca);

// Field stepping over table cells: the next field is the text before the first
// line separator (empty when there is none); skipping drops through that
// separator, or the first two characters when there is none, so a loop that
// skips until at most four characters remain always ends.
std::string_view ProximoCampo(std::string_view texto);
void PularCampo(std::string_view& texto);

// ---- Values in the portal's Brazilian format, whatever the process locale ----

// Full stops (thousands) removed, comma as the decimal separator; optional
// sign and exponent, blanks around the number ignored. Anything else is 0.
double LerNumero(std::string_view texto);
// LerNumero as Currency: rounded to four decimals, ties to even. A number
// beyond Currency's range raises ErroConversao naming `campo`: read as 0 it
// would be saved as a wrong value.
Currency LerMoeda(std::string_view texto, std::string_view campo);

// A decimal integer with an optional sign; `padrao` for anything else.
int LerInteiroOuPadrao(std::string_view texto, int padrao = 0);
// A decimal integer with an optional sign; anything else, the empty text
// included, raises ErroConversao naming `campo`.
int LerInteiroEstrito(std::string_view texto, std::string_view campo);

// "dd/mm/yyyy" (day and month may have one digit), blanks around ignored;
// anything else, a following time included, is the zero date.
TDateTime LerData(std::string_view texto);
// "dd/mm/yyyy hh:nn:ss" (seconds optional) or the date alone; anything else is 0.
TDateTime LerDataHora(std::string_view texto);
