#pragma once
// The page-to-NF-e converter: reads the page text of the portal's
// complete-consultation result page into an NF-e document model, has the NF-e
// writer produce the XML and saves it as "<key>-nfe.xml".
//
// The page text is Windows-1252, lines separated by CR LF (the last line may
// or may not end with one), as LimparTextoCapturado (converter/TextoPagina.h)
// makes it from the captured body markup.

#include <string>
#include <string_view>
#include <vector>

#include "nfe/kxnNFe.h"
#include "writer/kxnGerador.h"

// The portal found no NF-e for the key: the page holds no access key.
inline constexpr std::string_view MensagemNFeInexistente = "NF-e INEXISTENTE na base nacional.";

// Whether a page text is the portal's result page at all: it holds one of the
// result page's labels or headings ("Chave de acesso", "Dados da NF-e", ...,
// any letter case), or the portal's not-found text. Anything else (another
// page, an empty or unrelated file) must not be taken for the not-found
// outcome.
bool EhPaginaDeResultado(std::string_view paginaTexto);

struct TResultadoConversao {
  bool Encontrada = false;             // false: the not-found outcome; nothing was written
  std::string Caminho;                 // the saved file: output directory + key + "-nfe.xml"
  std::string CaminhoTXT;              // with salvarTXT: the TXT form beside it, key + "-nfe.txt"
  std::vector<std::string> Alertas;    // the writer's alerts; they never stop the output
  std::size_t AlertasNaoListados = 0;  // alerts beyond the writer's kept maximum, only counted
  bool PastaGravada = true;            // false: saved, but the directory could not be flushed to disk
};

// Fills `nfe` (fresh from TNFe's constructor) from the page text. False for
// the not-found outcome, with only the header values set. Raises
// ErroConversao, naming the label, when a strict integer or the issue date
// cannot be read or the key is too short for its codes. The reading's own
// alerts (items beyond the layout's 990, left out) go to `alertas` when given.
bool LerPaginaNFe(std::string_view paginaTexto, TNFe& nfe, std::vector<std::string>* alertas = nullptr);

// The XML of a filled model, generated with the writer's default options; the
// writer stores the key, Id, check digit and numeric code back into `nfe`.
// Alerts go to `alertas` when given.
std::string GerarXMLNFe(TNFe& nfe, std::vector<std::string>* alertas = nullptr);

// The whole conversion: read the page, generate, and save the XML as the last
// 44 characters of the Id followed by "-nfe.xml" in `diretorioSaida` (the
// current directory when empty), replacing an existing file atomically.
// Shows nothing: the not-found outcome is returned as such. Raises
// ErroConversao (no file is written) and std::system_error for file errors;
// a directory that could not be flushed after the save is told in PastaGravada.
// With salvarTXT the TXT form of the NF-e is saved too, before the XML, so
// that the XML is there only when both were written.
TResultadoConversao ConverterPaginaNFe(std::string_view paginaTexto, std::string_view diretorioSaida,
                                       bool salvarTXT = false);

// A page converted but not saved yet: its result (the paths, the alerts) and
// the writer holding the XML and TXT texts.
struct TConversaoPendente {
  TResultadoConversao Resultado;
  TGerador Gerador;
};

// ConverterPaginaNFe in two steps, so that a caller can convert pages side by
// side and save them one at a time: the conversion, which writes nothing (the
// not-found outcome has Resultado.Encontrada false and nothing to save)...
TConversaoPendente PrepararConversaoNFe(std::string_view paginaTexto, std::string_view diretorioSaida,
                                        bool salvarTXT = false);
// ...and the save, the TXT form first when asked. Raises std::system_error as
// ConverterPaginaNFe does.
void SalvarConversaoNFe(TConversaoPendente& conversao);
