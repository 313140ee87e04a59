#pragma once
// Field writer under every document writer: accumulates the XML text of one
// document, formats and checks each field and records every problem as an
// alert text instead of failing.

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nfe/Currency.h"
#include "nfe/DataHora.h"
#include "writer/kxnFormaTXT.h"

enum TkxnFormatoCampo {
  fcTexto,
  fcInteiro,
  fcData,
  fcDataHora,
  fcNumerico,
  fcDecimal2,
  fcDecimal3,
  fcDecimal4,
  fcDecimal10,
  fcHora,
  fcDecimal6
};

// A field value as the model types it. Text is only viewed: the value lives
// for the duration of one EscreverCampo call. TDateTime is a double, so a date
// goes through ValorData to keep its own kind.
class TValorCampo {
 public:
  enum class Tipo { Texto, Inteiro, Double, Currency, Data };

  TValorCampo(std::string_view texto) : tipo_(Tipo::Texto), texto_(texto) {}
  TValorCampo(const std::string& texto) : tipo_(Tipo::Texto), texto_(texto) {}
  TValorCampo(const char* texto) : tipo_(Tipo::Texto), texto_(texto) {}
  template <std::integral I>
  requires(!std::same_as<I, char> && !std::same_as<I, bool>) TValorCampo(I inteiro)
      : tipo_(Tipo::Inteiro), inteiro_(static_cast<std::int64_t>(inteiro)) {}
  TValorCampo(double valor) : tipo_(Tipo::Double), real_(valor) {}
  TValorCampo(Currency valor) : tipo_(Tipo::Currency), moeda_(valor) {}

  static TValorCampo Data(TDateTime valor) {
    TValorCampo v(valor);
    v.tipo_ = Tipo::Data;
    return v;
  }

  Tipo tipo() const { return tipo_; }
  std::string_view texto() const { return texto_; }
  std::int64_t inteiro() const { return inteiro_; }
  double real() const { return real_; }
  Currency moeda() const { return moeda_; }

 private:
  Tipo tipo_;
  std::string_view texto_;
  std::int64_t inteiro_ = 0;
  double real_ = 0;
  Currency moeda_;
};

// A TDateTime passed as a date-time value (fcData, fcDataHora, fcHora).
inline TValorCampo ValorData(TDateTime valor) { return TValorCampo::Data(valor); }

// "yyyy-mm-ddThh:nn:ss", as fcDataHora writes it.
std::string FormatarDataHora(TDateTime valor);

// One alert of the field writer, kept as data and formatted only where it is
// shown (FormatarAlerta).
struct TAlerta {
  std::string ID;                    // the field's or group's ID in the layout ("C03")
  std::string TAG;                   // its tag
  std::string Descricao;             // its description, trimmed
  std::string Mensagem;              // what is wrong
  std::optional<std::string> Valor;  // the value at fault, when the alert shows it
  std::string TagNivel;              // the open groups when it was raised ("<NFe><infNFe>...")
  bool operator==(const TAlerta&) const = default;
};

// The alert as `formato` says: %ID%, %TAG%, %DESCRICAO%, %TAGNIVEL% and %MSG%
// (the message, then " [value]" when there is one) replaced in one pass, so
// text put in by a placeholder is never read as one.
std::string FormatarAlerta(const TAlerta& alerta, std::string_view formato);

class TGerador {
 public:
  struct TGeradorOpcoes {
    // Check and alert, write no field; default false.
    bool SomenteValidar = false;
    // One element per line, indented, each line ended by CR LF; default false.
    bool IdentarXML = false;
    // Blanks per level when indenting; default 3.
    int TamanhoIdentacao = 3;
    // Runs of blanks in a text value collapsed to one; default true.
    bool RetirarEspacos = true;
    // Accents taken off text values (other bytes outside 32..126 become blanks); default true.
    bool RetirarAcentos = true;
    // Whole numbers written without their decimal places; default false.
    bool SuprimirDecimais = false;
    // An empty optional element written as <TAG/> rather than <TAG></TAG>; default true.
    bool TagVaziaNoFormatoResumido = true;
    // How ListaDeAlertas formats an alert (see FormatarAlerta); default as below.
    std::string FormatoAlerta = "TAG:%TAGNIVEL% ID:%ID%/%TAG%(%DESCRICAO%) - %MSG%.";
    // "|"-list of tag prefixes (see TagNaLista) of groups left out of TagNivel; default none.
    std::string TagsForaDoNivel;
    // "|"-list of tag prefixes of groups that step the indentation back one level; default none.
    std::string TagsRecuarNivel;
  };

  TGerador() = default;
  explicit TGerador(TGeradorOpcoes opcoes) : opcoes_(std::move(opcoes)) {}

  TGeradorOpcoes& Opcoes() { return opcoes_; }
  const TGeradorOpcoes& Opcoes() const { return opcoes_; }

  // Starts a document afresh: no XML or TXT text, no alert, no open group,
  // level 0. The options and the TXT layout stay.
  void Reiniciar();

  // The XML written so far (Windows-1252); Extrair hands it over, leaving none.
  const std::string& ArquivoFormatoXML() const { return xml_; }
  std::string ExtrairArquivoFormatoXML() { return std::move(xml_); }
  // The TXT form finished by ConcluirTXT.
  const std::string& ArquivoFormatoTXT() const { return textoTXT_; }

  // At most kMaximoAlertas alerts are kept; the others are only counted, so
  // that a hostile page cannot fill the memory with them.
  static constexpr std::size_t kMaximoAlertas = 1000;
  const std::vector<TAlerta>& Alertas() const { return alertas_; }
  std::size_t AlertasNaoGuardados() const { return alertasNaoGuardados_; }
  // The alerts formatted as Opcoes().FormatoAlerta says.
  std::vector<std::string> ListaDeAlertas() const;

  // The group ID the TXT fields are filled in (upper case when set by a group).
  const std::string& IDNivel() const { return idNivel_; }
  // Sets it as given, without opening the group's TXT lines.
  void DefinirIDNivel(std::string_view ID) { idNivel_.assign(ID); }
  // Path of the open groups ("<tag attrs>" each), shown in alerts.
  const std::string& TagNivel() const { return tagNivel_; }
  // The current indentation level.
  int NivelAtual() const { return nivel_; }

  // TAG is the text between "<" and ">" ("/" first to close). Attribute
  // values inside TAG must already be escaped by the caller.
  void EscreverGrupo(std::string_view TAG, std::string_view ID, bool Identar);
  void EscreverCampo(TkxnFormatoCampo Tipo, std::string_view ID, std::string_view TAG, int Min, int Max, int Ocorrencia,
                     const TValorCampo& Valor, std::string_view Descricao = {});
  void EscreverCNPJCPF(std::string_view IDCNPJ, std::string_view IDCPF, std::string_view Valor, int cPais);
  // Appended as it stands: no escaping, no indentation.
  void EscreverTexto(std::string_view Texto);
  // Nothing for a blank message.
  void RegistrarAlerta(std::string_view ID, std::string_view TAG, std::string_view Descricao, std::string_view Mensagem,
                       std::optional<std::string> Valor = std::nullopt);

  // Writes the XML (UTF-8) or the TXT text as one line followed by CR LF,
  // replacing the file atomically and durably (GravarArquivoDuravel). Throws std::system_error (with the path)
  // when the file cannot be written; an existing file is then left as it was. False when the file was saved but
  // its directory could not be flushed to disk.
  bool SalvarArquivo(const std::string& NomeArquivo, bool FormatoTXT = false) const;

  // TXT form (TFormaTXT, writer/kxnFormaTXT.h): the layout is read when a
  // document's first group opens its lines; the pending lines are kept apart
  // and ArquivoFormatoTXT gets the finished text from ConcluirTXT.
  //
  // Loads the layout text (lines ended by CR, LF or CR LF) and drops any
  // pending lines; the empty text switches the TXT form off.
  void CarregarLayoutTXT(std::string_view Texto);
  // IDNivel := upper-case ID; opens the layout lines of that group ID.
  void IniciarLinhasTXT(std::string_view ID);
  // Fills, in every pending line of IDNivel, the first open marker of TAG. A
  // "|" or control character of the value becomes a blank there: true when
  // one did (the caller alerts, naming the field).
  bool PreencherCampoTXT(std::string_view TAG, std::string_view Valor);
  // Finishes the document: unfilled lines dropped, "^ID^" := ID, open
  // markers emptied, group prefixes cut. Nothing when no line is pending.
  void ConcluirTXT(std::string_view ID);

  // Value text as the field writer would write it with the current options;
  // used for attribute values and other text written around the fields.
  std::string PrepararTexto(std::string_view Texto) const;

 private:
  void Identar();

  TGeradorOpcoes opcoes_;
  std::string xml_;
  std::string textoTXT_;
  std::vector<TAlerta> alertas_;
  std::size_t alertasNaoGuardados_ = 0;
  std::string idNivel_;
  std::string tagNivel_;
  int nivel_ = 0;
  TFormaTXT formaTXT_;
};
