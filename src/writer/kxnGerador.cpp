#include "writer/kxnGerador.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <system_error>

#include "util/ArquivoDuravel.h"
#include "util/DecimalExato.h"
#include "util/ErroConversao.h"
#include "util/Win1252.h"
#include "util/kxnAuxiliar.h"

namespace {

const std::string_view kNenhumValor = "Nenhum valor informado";
const std::string_view kMenorQueMinimo = "Tamanho menor que o mínimo permitido"_cp;
const std::string_view kMaiorQueMaximo = "Tamanho maior que o máximo permitido"_cp;
const std::string_view kConteudoInvalido = "Conteúdo inválido"_cp;
const std::string_view kCasasDecimais = "Numero máximo de casas decimais permitidas "_cp;
const std::string_view kTrocadoNoTXT = "Caractere \"|\" ou de controle trocado por espaço no TXT"_cp;

std::string Dois(int n) {
  std::string s(2, '0');
  s[0] = static_cast<char>('0' + (n / 10) % 10);
  s[1] = static_cast<char>('0' + n % 10);
  return s;
}

std::string FormatarData(const DataHoraPartes& p) {
  std::string s = NumeroComZeros(p.ano, 4);
  s += '-';
  s += Dois(p.mes);
  s += '-';
  s += Dois(p.dia);
  return s;
}

std::string FormatarHora(const DataHoraPartes& p) {
  return Dois(p.hora) + ':' + Dois(p.minuto) + ':' + Dois(p.segundo);
}

bool DataZero(const DataHoraPartes& p) { return p.ano == 1899 && p.mes == 12 && p.dia == 30; }

// Shortest text that reads back as the same double.
std::string TextoDouble(double valor) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, valor);
  return std::string(buf, r.ptr);
}

// `oque` says what the value is not ("um número válido"); EscreverCampo puts
// the field's name in front.
[[noreturn]] void ValorInvalido(std::string_view valor, std::string_view oque) {
  throw ErroConversao("'" + std::string(valor) + std::string("' não é "_cp) + std::string(oque) + ".");
}

std::uint64_t Magnitude(std::int64_t v) {
  return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// "[-+]digits[.digits]" with blanks around; "," taken as the separator too.
DecimalExato DecimalDeTexto(std::string_view original) {
  const std::string texto = Trim(original);
  std::string_view t = texto;
  DecimalExato d;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    d.negativo = t[0] == '-';
    t.remove_prefix(1);
  }
  const auto sep = t.find_first_of(".,");
  const std::string_view inteira = t.substr(0, sep);
  const std::string_view fracao = sep == std::string_view::npos ? std::string_view() : t.substr(sep + 1);
  if ((inteira.empty() && fracao.empty()) || !TodosDigitos(inteira) || !TodosDigitos(fracao))
    ValorInvalido(original, "um número válido"_cp);
  d.inteira = inteira.empty() ? "0" : std::string(inteira);
  d.fracao = std::string(fracao);
  return d;
}

// Currency values take their own exact path in EscreverCampo.
DecimalExato DecimalDeValor(const TValorCampo& v) {
  switch (v.tipo()) {
    case TValorCampo::Tipo::Texto:
      return DecimalDeTexto(v.texto());
    case TValorCampo::Tipo::Inteiro: {
      DecimalExato d;
      d.negativo = v.inteiro() < 0;
      d.inteira = std::to_string(Magnitude(v.inteiro()));
      return d;
    }
    case TValorCampo::Tipo::Currency:
      return DecimalDeTexto(v.moeda().Formatar(4));
    case TValorCampo::Tipo::Double:
    case TValorCampo::Tipo::Data:
      break;
  }
  return DecimalExato::DeDouble(v.real());
}

std::int64_t InteiroDeValor(const TValorCampo& v) {
  switch (v.tipo()) {
    case TValorCampo::Tipo::Inteiro:
      return v.inteiro();
    case TValorCampo::Tipo::Texto: {
      const std::string t = Trim(v.texto());
      std::string_view s = t;
      if (!s.empty() && s[0] == '+') s.remove_prefix(1);
      std::int64_t i = 0;
      const auto r = std::from_chars(s.data(), s.data() + s.size(), i);
      if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size())
        ValorInvalido(v.texto(), "um número inteiro válido"_cp);
      return i;
    }
    case TValorCampo::Tipo::Currency: {
      // Nearest integer, ties to even, as a variant conversion does.
      const std::int64_t b = v.moeda().Bruto();
      std::int64_t q = b / Currency::kEscala, r = b % Currency::kEscala;
      if (r < 0) {
        r += Currency::kEscala;
        --q;
      }
      if (r * 2 > Currency::kEscala || (r * 2 == Currency::kEscala && q % 2 != 0)) ++q;
      return q;
    }
    case TValorCampo::Tipo::Double:
    case TValorCampo::Tipo::Data: {
      const double r = std::nearbyint(v.real());
      if (!std::isfinite(r) || std::fabs(r) > 9.2e18)
        ValorInvalido(TextoDouble(v.real()), "um número inteiro válido"_cp);
      return static_cast<std::int64_t>(r);
    }
  }
  return 0;
}

// Years 1 to 9999 only.
TDateTime DataConferida(double valor) {
  if (!(valor > -693594.0 && valor < 2958466.0)) ValorInvalido(TextoDouble(valor), "uma data válida"_cp);
  return valor;
}

TDateTime DataDeValor(const TValorCampo& v) {
  switch (v.tipo()) {
    case TValorCampo::Tipo::Data:
    case TValorCampo::Tipo::Double:
      return DataConferida(v.real());
    case TValorCampo::Tipo::Inteiro:
      return DataConferida(static_cast<double>(v.inteiro()));
    case TValorCampo::Tipo::Currency:
      return DataConferida(v.moeda().ParaDouble());
    case TValorCampo::Tipo::Texto:
      break;
  }
  ValorInvalido(v.texto(), "uma data válida"_cp);
}

// The value's own text form (the alerts quote it).
std::string TextoDoValor(const TValorCampo& v) {
  switch (v.tipo()) {
    case TValorCampo::Tipo::Texto:
      return std::string(v.texto());
    case TValorCampo::Tipo::Inteiro:
      return std::to_string(v.inteiro());
    case TValorCampo::Tipo::Double:
      return TextoDouble(v.real());
    case TValorCampo::Tipo::Currency: {
      std::string s = v.moeda().Formatar(4);
      while (s.back() == '0') s.pop_back();
      if (s.back() == '.') s.pop_back();
      return s;
    }
    case TValorCampo::Tipo::Data: {
      if (!(v.real() > -693594.0 && v.real() < 2958466.0)) return TextoDouble(v.real());
      const DataHoraPartes p = DecodificarDataHora(v.real());
      const bool temHora = p.hora != 0 || p.minuto != 0 || p.segundo != 0;
      std::string s;
      if (!DataZero(p) || !temHora) s = Dois(p.dia) + '/' + Dois(p.mes) + '/' + NumeroComZeros(p.ano, 4);
      if (temHora) s += (s.empty() ? "" : " ") + FormatarHora(p);
      return s;
    }
  }
  return {};
}

int CasasDecimais(TkxnFormatoCampo tipo) {
  switch (tipo) {
    case fcDecimal2:
      return 2;
    case fcDecimal3:
      return 3;
    case fcDecimal4:
      return 4;
    case fcDecimal6:
      return 6;
    case fcDecimal10:
      return 10;
    default:
      return -1;
  }
}

// Characters XML 1.0 forbids even escaped: C0 controls other than tab, LF, CR.
bool ControleProibido(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

// Each forbidden control character becomes a space. Eight bytes are looked at
// at once; only a block holding some byte below 0x20 is gone through (bench_writer
// SalvarDocumento/990: 0.47 ms against 0.79 ms byte by byte).
void TrocarControlesProibidos(std::string& texto) {
  char* const p = texto.data();
  const std::size_t n = texto.size();
  const auto trocar = [](char& c) {
    if (ControleProibido(static_cast<unsigned char>(c))) c = ' ';
  };
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t bloco;
    std::memcpy(&bloco, p + i, 8);
    if (((bloco - 0x2020202020202020u) & ~bloco & 0x8080808080808080u) == 0) continue;
    for (std::size_t k = i; k < i + 8; ++k) trocar(p[k]);
  }
  for (; i < n; ++i) trocar(p[i]);
}

// Appends "<" + tag + ">" + texto + "</" + tag + ">" (without texto: "<" + tag + ">").
void AnexarElemento(std::string& destino, std::string_view tag, std::optional<std::string_view> texto = {}) {
  destino += '<';
  destino += tag;
  destino += '>';
  if (texto) {
    destino += *texto;
    destino += "</";
    destino += tag;
    destino += '>';
  }
}

constexpr std::uint32_t kPotencias10[] = {1, 10, 100, 1000, 10000};

}  // namespace

std::string FormatarDataHora(TDateTime valor) {
  const DataHoraPartes p = DecodificarDataHora(DataConferida(valor));
  return FormatarData(p) + 'T' + FormatarHora(p);
}

void TGerador::Identar() {
  const int espacos = opcoes_.TamanhoIdentacao * nivel_;
  if (espacos > 0) xml_.append(static_cast<std::size_t>(espacos), ' ');
}

std::string TGerador::PrepararTexto(std::string_view Texto) const {
  return PrepararTextoXML(opcoes_.RetirarEspacos, Texto, opcoes_.RetirarAcentos);
}

void TGerador::EscreverGrupo(std::string_view TAG, std::string_view ID, bool Identar) {
  IniciarLinhasTXT(ID);
  if (formaTXT_.Ativa() && (TAG.find("=\"") != std::string_view::npos || TAG.find("= \"") != std::string_view::npos)) {
    const std::string atributo = TextoEntre(TAG, " ", "=");
    if (PreencherCampoTXT(atributo, TextoEntre(TAG, "\"", "\"")))
      RegistrarAlerta(ID, Aparar(atributo), "", kTrocadoNoTXT);
  }

  const bool fechamento = !TAG.empty() && TAG[0] == '/';
  if (!TagNaLista(TAG, opcoes_.TagsForaDoNivel)) {
    if (!fechamento) {
      AnexarElemento(tagNivel_, TAG);
    } else {
      const std::string_view nome = TAG.substr(1);
      if (nome.starts_with("det")) {
        // The item group carries an attribute: cut at its entry rather than match the name.
        const auto p = tagNivel_.find("<det");
        if (p != std::string::npos) tagNivel_.erase(p);
      } else {
        std::string entrada;
        entrada.reserve(nome.size() + 2);
        entrada += '<';
        entrada += nome;
        entrada += '>';
        if (const auto p = tagNivel_.find(entrada); p != std::string::npos) {
          tagNivel_.erase(p, entrada.size());
        } else {
          // A group opened with attributes ("<forDia dia=...>") leaves its entry too.
          entrada.back() = ' ';
          const auto inicio = tagNivel_.find(entrada);
          const auto fim = inicio == std::string::npos ? inicio : tagNivel_.find('>', inicio);
          if (fim != std::string::npos) tagNivel_.erase(inicio, fim + 1 - inicio);
        }
      }
    }
  }

  if (Identar && fechamento) --nivel_;
  if (TagNaLista(TAG, opcoes_.TagsRecuarNivel)) --nivel_;

  if (opcoes_.IdentarXML) this->Identar();
  AnexarElemento(xml_, TAG);
  if (opcoes_.IdentarXML) xml_ += "\r\n";

  if (Identar && !fechamento) ++nivel_;
}

void TGerador::EscreverCampo(TkxnFormatoCampo Tipo, std::string_view ID, std::string_view TAG, int Min, int Max,
                             int Ocorrencia, const TValorCampo& Valor, std::string_view Descricao) {
  const std::string_view id = Aparar(ID);
  const std::string_view tag = Aparar(TAG);

  // The formatted text: a view of the value itself for a text, else of `formatado`.
  std::string formatado;
  std::string_view texto;
  bool vazio = false;
  // A value that cannot become the field's kind stops the document: the
  // error names the field.
  try {
    switch (Tipo) {
      case fcTexto:
        if (Valor.tipo() == TValorCampo::Tipo::Texto) {
          texto = Aparar(Valor.texto());
        } else {
          formatado = Trim(TextoDoValor(Valor));
          texto = formatado;
        }
        vazio = texto.empty();
        break;
      case fcInteiro: {
        const std::int64_t i = InteiroDeValor(Valor);
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, i);
        const std::string_view numero(buf, static_cast<std::size_t>(r.ptr - buf));
        if (Min == Max) {
          // Fixed width: zeros in front. A longer number is kept whole, so that
          // the size check below reports it instead of its leading digits being lost.
          const auto largura = static_cast<std::size_t>(Max < 0 ? 0 : Max);
          const std::size_t zeros = largura > numero.size() ? std::min<std::size_t>(largura - numero.size(), 60) : 0;
          formatado.assign(zeros, '0');
          formatado += numero;
        } else {
          formatado.assign(numero);
        }
        texto = formatado;
        vazio = i == 0 && Ocorrencia == 0;
        break;
      }
      case fcData: {
        const DataHoraPartes p = DecodificarDataHora(DataDeValor(Valor));
        formatado = FormatarData(p);
        texto = formatado;
        vazio = DataZero(p);
        break;
      }
      case fcDataHora: {
        const TDateTime t = DataDeValor(Valor);
        formatado = FormatarDataHora(t);
        texto = formatado;
        vazio = DataZero(DecodificarDataHora(t));
        break;
      }
      case fcHora: {
        const DataHoraPartes p = DecodificarDataHora(DataDeValor(Valor));
        formatado = FormatarHora(p);
        texto = formatado;
        vazio = p.hora == 0 && p.minuto == 0 && p.segundo == 0;
        break;
      }
      case fcNumerico:
        if (Valor.tipo() == TValorCampo::Tipo::Texto) {
          texto = Aparar(Valor.texto());
        } else {
          formatado = Trim(TextoDoValor(Valor));
          texto = formatado;
        }
        if (!TodosDigitos(texto)) RegistrarAlerta(id, tag, Descricao, kConteudoInvalido);
        vazio = Valor.tipo() == TValorCampo::Tipo::Texto && Valor.texto().empty();
        break;
      case fcDecimal2:
      case fcDecimal3:
      case fcDecimal4:
      case fcDecimal6:
      case fcDecimal10: {
        const int casas = CasasDecimais(Tipo);
        if (Valor.tipo() == TValorCampo::Tipo::Currency) {
          // Exact already, with four decimals: no digit text needed.
          const std::int64_t bruto = Valor.moeda().Bruto();
          if (casas < 4 && bruto % kPotencias10[4 - casas] != 0)
            RegistrarAlerta(id, tag, Descricao, std::string(kCasasDecimais) + std::to_string(casas));
          const bool semFracao = bruto % Currency::kEscala == 0;
          formatado = Valor.moeda().Formatar(opcoes_.SuprimirDecimais && semFracao ? 0 : casas);
          vazio = bruto == 0 && Ocorrencia == 0;
        } else {
          const DecimalExato d = DecimalDeValor(Valor);
          // Digits beyond the allowed places, read at ten decimals.
          const DecimalExato dez = d.Arredondado(10);
          if (dez.fracao.find_first_not_of('0', static_cast<std::size_t>(casas)) != std::string::npos)
            RegistrarAlerta(id, tag, Descricao, std::string(kCasasDecimais) + std::to_string(casas));
          if (opcoes_.SuprimirDecimais && d.FracaoZero())
            formatado = d.Texto(false);
          else
            formatado = d.Arredondado(casas).Texto(true);
          vazio = d.Zero() && Ocorrencia == 0;
        }
        texto = formatado;
        break;
      }
    }
  } catch (const ErroConversao& e) {
    std::string campo(tag);
    campo += " (";
    campo += id;
    if (const std::string descricao = Trim(Descricao); !descricao.empty()) campo += ", " + descricao;
    throw ErroConversao(campo + "): " + e.what());
  }

  const int tamanho = static_cast<int>(texto.size());
  std::string_view mensagem;
  if (Ocorrencia == 1 && vazio && Min > 0)
    mensagem = kNenhumValor;
  else if (tamanho < Min && tamanho >= 2)
    mensagem = kMenorQueMinimo;
  if (tamanho > Max) mensagem = kMaiorQueMaximo;
  if (!mensagem.empty()) {
    if (mensagem != kNenhumValor && !vazio)
      RegistrarAlerta(id, tag, Descricao, mensagem, TextoDoValor(Valor));
    else
      RegistrarAlerta(id, tag, Descricao, mensagem);
  }

  if (opcoes_.SomenteValidar) return;
  if (PreencherCampoTXT(tag, vazio ? std::string_view() : texto)) RegistrarAlerta(id, tag, Descricao, kTrocadoNoTXT);
  if (vazio && Ocorrencia != 1) return;

  if (opcoes_.IdentarXML) this->Identar();
  std::string& xml = xml_;
  if (vazio) {
    xml += '<';
    xml += tag;
    if (opcoes_.TagVaziaNoFormatoResumido) {
      xml += "/>";
    } else {
      xml += "></";
      xml += tag;
      xml += '>';
    }
  } else if (Tipo != fcTexto && Tipo != fcNumerico) {
    // Digits, signs, points, dashes and colons only: nothing to prepare.
    AnexarElemento(xml, tag, texto);
  } else {
    AnexarElemento(xml, tag);
    AnexarTextoXML(xml, opcoes_.RetirarEspacos, texto, opcoes_.RetirarAcentos);
    xml += "</";
    xml += tag;
    xml += '>';
  }
  if (opcoes_.IdentarXML) xml += "\r\n";
}

void TGerador::EscreverCNPJCPF(std::string_view IDCNPJ, std::string_view IDCPF, std::string_view Valor, int cPais) {
  if (cPais != 1058) {
    EscreverCampo(fcTexto, IDCNPJ, "CNPJ", 0, 0, 1, "", "");
    return;
  }
  const std::string digitos = ExtrairDigitos(Trim(Valor));
  if (digitos.size() == 11) {
    EscreverCampo(fcTexto, IDCPF, "CPF", 11, 11, 1, digitos, "");
    if (!ConferirCPF(digitos)) RegistrarAlerta(IDCPF, "CPF", "CPF", kConteudoInvalido);
  } else if (digitos.size() == 14) {
    EscreverCampo(fcTexto, IDCNPJ, "CNPJ", 14, 14, 1, digitos, "");
    if (!ConferirCNPJ(digitos)) RegistrarAlerta(IDCNPJ, "CNPJ", "CNPJ", kConteudoInvalido);
  } else {
    RegistrarAlerta(std::string(IDCNPJ) + "-" + std::string(IDCPF), "CNPJ-CPF", "CNPJ/CPF", kNenhumValor);
  }
}

void TGerador::EscreverTexto(std::string_view Texto) { xml_ += Texto; }

void TGerador::Reiniciar() {
  xml_.clear();
  textoTXT_.clear();
  alertas_.clear();
  alertasNaoGuardados_ = 0;
  idNivel_.clear();
  tagNivel_.clear();
  nivel_ = 0;
}

void TGerador::RegistrarAlerta(std::string_view ID, std::string_view TAG, std::string_view Descricao,
                               std::string_view Mensagem, std::optional<std::string> Valor) {
  if (Trim(Mensagem).empty()) return;
  if (alertas_.size() >= kMaximoAlertas) {
    ++alertasNaoGuardados_;
    return;
  }
  alertas_.push_back(
      {std::string(ID), std::string(TAG), Trim(Descricao), std::string(Mensagem), std::move(Valor), tagNivel_});
}

std::vector<std::string> TGerador::ListaDeAlertas() const {
  std::vector<std::string> lista;
  lista.reserve(alertas_.size());
  for (const TAlerta& a : alertas_) lista.push_back(FormatarAlerta(a, opcoes_.FormatoAlerta));
  return lista;
}

std::string FormatarAlerta(const TAlerta& alerta, std::string_view formato) {
  const std::string mensagem = alerta.Valor ? alerta.Mensagem + " [" + *alerta.Valor + "]" : alerta.Mensagem;
  struct Marcador {
    std::string_view nome;
    std::string_view valor;
  };
  const Marcador marcadores[] = {{"%TAGNIVEL%", alerta.TagNivel},
                                 {"%TAG%", alerta.TAG},
                                 {"%ID%", alerta.ID},
                                 {"%MSG%", mensagem},
                                 {"%DESCRICAO%", alerta.Descricao}};
  std::string texto;
  std::size_t i = 0;
  while (i < formato.size()) {
    bool trocado = false;
    if (formato[i] == '%') {
      for (const Marcador& m : marcadores) {
        if (formato.substr(i).starts_with(m.nome)) {
          texto += m.valor;
          i += m.nome.size();
          trocado = true;
          break;
        }
      }
    }
    if (!trocado) texto += formato[i++];
  }
  return texto;
}

bool TGerador::SalvarArquivo(const std::string& NomeArquivo, bool FormatoTXT) const {
  std::string conteudo;
  if (FormatoTXT) {
    conteudo = textoTXT_;
  } else {
    conteudo = win1252::ParaUtf8(xml_);
    // A control character that slipped through (accent removal switched off) would
    // make the file unreadable as XML.
    TrocarControlesProibidos(conteudo);
  }
  conteudo += "\r\n";
  return GravarArquivoDuravel(NomeArquivo, conteudo);
}

void TGerador::CarregarLayoutTXT(std::string_view Texto) { formaTXT_.CarregarLeiaute(Texto); }

void TGerador::IniciarLinhasTXT(std::string_view ID) {
  idNivel_.assign(ID);
  for (char& c : idNivel_)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (!ID.empty()) formaTXT_.IniciarLinhas(idNivel_);
}

bool TGerador::PreencherCampoTXT(std::string_view TAG, std::string_view Valor) {
  return formaTXT_.PreencherCampo(idNivel_, TAG, Valor);
}

void TGerador::ConcluirTXT(std::string_view ID) {
  if (std::optional<std::string> texto = formaTXT_.Concluir(ID)) textoTXT_ = std::move(*texto);
}
