#include "converter/TextoPagina.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <system_error>

#include "util/ErroConversao.h"
#include "util/Win1252.h"
#include "util/ZoltUtil.h"

namespace {

constexpr char Dobrar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

constexpr bool Branco(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string Juntar(std::initializer_list<std::string_view> partes) {
  std::string s;
  for (auto p : partes) s.append(p);
  return s;
}

// Reads 1..maximo digits at texto[i]; advances i. -1 when there is none.
int LerDigitos(std::string_view texto, std::size_t& i, std::size_t minimo, std::size_t maximo) {
  std::size_t n = 0;
  int valor = 0;
  while (i < texto.size() && n < maximo && EhDigito(texto[i])) {
    valor = valor * 10 + (texto[i] - '0');
    ++i;
    ++n;
  }
  if (n < minimo || (i < texto.size() && EhDigito(texto[i]))) return -1;
  return valor;
}

bool Consumir(std::string_view texto, std::size_t& i, char c) {
  if (i < texto.size() && texto[i] == c) {
    ++i;
    return true;
  }
  return false;
}

// "d/m/yyyy" at the start of `texto`; advances i. False when it is not there.
bool LerPartesData(std::string_view texto, std::size_t& i, int& dia, int& mes, int& ano) {
  dia = LerDigitos(texto, i, 1, 2);
  if (dia < 0 || !Consumir(texto, i, '/')) return false;
  mes = LerDigitos(texto, i, 1, 2);
  if (mes < 0 || !Consumir(texto, i, '/')) return false;
  ano = LerDigitos(texto, i, 4, 4);
  return ano >= 0;
}

TDateTime CodificarOuZero(int ano, int mes, int dia, int hora = 0, int minuto = 0, int segundo = 0) {
  if (!DataValida(ano, mes, dia) || hora > 23 || minuto > 59 || segundo > 59) return 0;
  try {
    return CodificarDataHora(ano, mes, dia, hora, minuto, segundo);
  } catch (const ErroConversao&) {
    return 0;
  }
}

bool LerInteiro(std::string_view texto, int& valor) {
  if (!texto.empty() && texto.front() == '+') {
    texto.remove_prefix(1);
    if (!texto.empty() && texto.front() == '-') return false;
  }
  if (texto.empty()) return false;
  const char* fim = texto.data() + texto.size();
  const auto [ptr, ec] = std::from_chars(texto.data(), fim, valor);
  return ec == std::errc() && ptr == fim;
}

// First occurrence of a label: the first character found with memchr, then
// the last one and the rest compared, which skips most false starts quickly
// (bench_conversao LeituraDaPagina/990: about 5% faster than string_view::find).
std::size_t Buscar(std::string_view texto, std::string_view chave) {
  const std::size_t n = chave.size();
  if (n == 0 || n > texto.size()) return n == 0 ? 0 : std::string_view::npos;
  const char primeiro = chave.front(), ultimo = chave.back();
  const char* inicio = texto.data();
  const char* limite = inicio + (texto.size() - n) + 1;  // last possible start, exclusive
  for (const char* p = inicio; p < limite;) {
    p = static_cast<const char*>(std::memchr(p, primeiro, static_cast<std::size_t>(limite - p)));
    if (p == nullptr) break;
    if (p[n - 1] == ultimo && std::memcmp(p + 1, chave.data() + 1, n - 1) == 0)
      return static_cast<std::size_t>(p - inicio);
    ++p;
  }
  return std::string_view::npos;
}

}  // namespace

// ---- Cleaning ----

std::string RemoverScriptsEComentarios(std::string_view marcacao) {
  static constexpr std::string_view kOcultos[] = {"SCRIPT", "STYLE", "NOSCRIPT"};
  const std::string dobrado = DobrarAscii(marcacao);
  const std::string_view d = dobrado;
  std::string saida;
  saida.reserve(marcacao.size());
  // The removed part's line breaks stay.
  const auto quebras = [&](std::size_t de, std::size_t ate) {
    for (const char c : marcacao.substr(de, ate - de))
      if (c == '\r' || c == '\n') saida.push_back(c);
  };
  std::size_t i = 0;
  for (std::size_t p = d.find('<'); p != std::string_view::npos; p = d.find('<', p + 1)) {
    std::size_t fim = std::string_view::npos;  // just past the removed part
    if (d.substr(p, 4) == "<!--") {
      const std::size_t f = d.find("-->", p + 4);
      fim = f == std::string_view::npos ? d.size() : f + 3;
    } else {
      for (const std::string_view nome : kOcultos) {
        const std::size_t depois = p + 1 + nome.size();
        if (d.substr(p + 1, nome.size()) != nome || depois >= d.size()) continue;
        const char c = d[depois];
        if (!(Branco(c) || c == '>' || c == '/')) continue;
        const std::string fecho = "</" + std::string(nome);
        const std::size_t f = d.find(fecho, depois);
        const std::size_t gt = f == std::string_view::npos ? f : d.find('>', f + fecho.size());
        fim = gt == std::string_view::npos ? d.size() : gt + 1;
        break;
      }
    }
    if (fim == std::string_view::npos) continue;
    saida.append(marcacao.substr(i, p - i));
    quebras(p, fim);
    i = fim;
    if (i >= d.size()) break;
    p = i - 1;
  }
  if (i < marcacao.size()) saida.append(marcacao.substr(i));
  return saida;
}

std::string RemoverTags(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size());
  std::size_t i = 0;
  while (i < texto.size()) {
    const std::size_t abre = texto.find('<', i);
    if (abre == std::string_view::npos) {
      saida.append(texto.substr(i));
      break;
    }
    saida.append(texto.substr(i, abre - i));
    const std::size_t fecha = texto.find('>', abre + 1);
    if (fecha == std::string_view::npos) break;
    i = fecha + 1;
  }
  return saida;
}

std::string NormalizarQuebrasDeLinha(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size() + texto.size() / 32);
  std::size_t i = 0;
  while (i < texto.size()) {
    std::size_t q = i;
    while (q < texto.size() && texto[q] != '\r' && texto[q] != '\n') ++q;
    saida.append(texto.substr(i, q - i));
    if (q == texto.size()) break;
    saida.append("\r\n");
    i = q + ((texto[q] == '\r' && q + 1 < texto.size() && texto[q + 1] == '\n') ? 2 : 1);
  }
  return saida;
}

std::string RemoverNbsp(std::string_view texto) {
  static constexpr std::string_view kNbsp = "&NBSP;";
  // The references a browser writes for text in inner HTML; decoded so that
  // "A&amp;B" on the page is "A&B" in the model (and once escaped in the XML).
  struct Referencia {
    std::string_view nome;
    char caractere;
  };
  static constexpr Referencia kReferencias[] = {
      {"&amp;", '&'},
      {"&lt;", '<'},
      {"&gt;", '>'},
      {"&quot;", '"'},
  };
  std::string saida;
  saida.reserve(texto.size());
  std::size_t i = 0;
  while (i < texto.size()) {
    const std::size_t e = texto.find('&', i);
    if (e == std::string_view::npos) {
      saida.append(texto.substr(i));
      break;
    }
    saida.append(texto.substr(i, e - i));
    const std::string_view resto = texto.substr(e);
    bool nbsp = resto.size() >= kNbsp.size();
    for (std::size_t k = 0; nbsp && k < kNbsp.size(); ++k) nbsp = Dobrar(resto[k]) == kNbsp[k];
    if (nbsp) {
      i = e + kNbsp.size();
      continue;
    }
    i = e + 1;
    char caractere = '&';
    for (const auto& r : kReferencias)
      if (resto.starts_with(r.nome)) {
        caractere = r.caractere;
        i = e + r.nome.size();
        break;
      }
    saida.push_back(caractere);
  }
  return saida;
}

std::string FiltrarLinhas(std::string_view texto) {
  static constexpr std::string_view kQuebra = "\r\n";
  // The text after the last CR LF is the last line unless it is empty, in
  // which case the break only ends the line before it (as a memo shows it).
  const bool quebraFinal = texto.size() >= 2 && texto.ends_with(kQuebra);
  std::string_view resto = quebraFinal ? texto.substr(0, texto.size() - 2) : texto;
  std::string saida;
  saida.reserve(texto.size());
  bool primeira = true;
  while (true) {
    const std::size_t q = resto.find(kQuebra);
    const std::string_view linha = resto.substr(0, q);
    const bool ultima = q == std::string_view::npos;
    const bool remover = !ultima && Aparar(linha).empty();
    if (!remover) {
      if (!primeira) saida.append(kQuebra);
      saida.append(linha);
      primeira = false;
    }
    if (ultima) break;
    resto.remove_prefix(q + kQuebra.size());
  }
  if (quebraFinal) saida.append(kQuebra);
  return saida;
}

std::string LimparTextoCapturado(std::string_view marcacao) {
  return FiltrarLinhas(RemoverNbsp(NormalizarQuebrasDeLinha(RemoverTags(RemoverScriptsEComentarios(marcacao)))));
}

// ---- Joined text ----

std::string JuntarLinhas(std::string_view paginaTexto) {
  std::string saida;
  saida.reserve(paginaTexto.size() + paginaTexto.size() / 16);
  std::size_t i = 0;
  while (i < paginaTexto.size()) {
    const std::size_t q = paginaTexto.find("\r\n", i);
    if (q == std::string_view::npos) {
      saida.append(paginaTexto.substr(i));
      break;
    }
    saida.append(paginaTexto.substr(i, q - i));
    saida.append(kSeparadorLinha);
    i = q + 2;
  }
  return saida;
}

std::string DobrarAscii(std::string_view texto) {
  std::string saida(texto);
  for (char& c : saida) c = Dobrar(c);
  return saida;
}

Trecho Trecho::Sub(std::size_t pos, std::size_t n) const {
  pos = std::min(pos, texto.size());
  return {texto.substr(pos, n), dobrado.substr(pos, n)};
}

TextoDobrado::TextoDobrado(std::string texto) : texto_(std::move(texto)), dobrado_(DobrarAscii(texto_)) {}

namespace {

// The key folded; labels are short, so they are folded on the stack.
class ChaveDobrada {
 public:
  ChaveDobrada(const ChaveDobrada&) = delete;
  ChaveDobrada& operator=(const ChaveDobrada&) = delete;
  explicit ChaveDobrada(std::string_view chave) {
    if (chave.size() <= curta_.size()) {
      for (std::size_t k = 0; k < chave.size(); ++k) curta_[k] = Dobrar(chave[k]);
      dobrada_ = std::string_view(curta_.data(), chave.size());
    } else {
      longa_ = DobrarAscii(chave);
      dobrada_ = longa_;
    }
  }
  std::string_view operator*() const { return dobrada_; }

 private:
  std::array<char, 128> curta_;
  std::string longa_;
  std::string_view dobrada_;
};

// Whether position p of the text begins a line: only blanks between it and
// the start of the text or the line separator before it. A text that starts
// inside a separator (cut at its "&") starts a line too.
bool InicioDeLinha(std::string_view texto, std::size_t p) {
  while (p > 0 && Branco(texto[p - 1])) --p;
  if (p >= kSeparadorLinha.size())
    return texto.substr(p - kSeparadorLinha.size(), kSeparadorLinha.size()) == kSeparadorLinha;
  return kSeparadorLinha.ends_with(texto.substr(0, p));
}

}  // namespace

std::size_t BuscarSemCaixa(Trecho texto, std::string_view chave) {
  if (chave.empty()) return std::string_view::npos;  // an empty label is never found
  return Buscar(texto.dobrado, *ChaveDobrada(chave));
}

std::size_t BuscarRotulo(Trecho texto, std::string_view rotulo) {
  if (rotulo.empty()) return std::string_view::npos;
  const ChaveDobrada chave(rotulo);
  const std::size_t primeira = Buscar(texto.dobrado, *chave);
  for (std::size_t p = primeira; p != std::string_view::npos;) {
    if (InicioDeLinha(texto.dobrado, p)) return p;
    const std::size_t q = Buscar(texto.dobrado.substr(p + 1), *chave);
    p = q == std::string_view::npos ? q : p + 1 + q;
  }
  return primeira;
}

bool ContemSemCaixa(Trecho texto, std::string_view chave) {
  return BuscarSemCaixa(texto, chave) != std::string_view::npos;
}

bool ContemSemCaixa(std::string_view texto, std::string_view chave) {
  if (chave.empty()) return false;
  return std::search(texto.begin(), texto.end(), chave.begin(), chave.end(),
                     [](char a, char b) { return Dobrar(a) == Dobrar(b); }) != texto.end();
}

// ---- Lookups ----

void CortarNaSecao(std::string_view cabecalho, Trecho texto, Trecho& aPartir, Trecho& antes) {
  const std::size_t p = BuscarSemCaixa(texto, Aparar(cabecalho));
  if (p == std::string_view::npos) {
    antes = {};
    return;
  }
  antes = texto.Sub(0, p);
  aPartir = texto.Sub(p);
}

namespace {

// The value at q: `contagem` characters, or up to the next separator.
std::string_view ValorEm(std::string_view texto, std::size_t q, int contagem) {
  if (contagem > 0) return texto.substr(std::min(q, texto.size()), std::size_t(contagem));
  const std::size_t s = texto.find(kSeparadorLinha, q);
  if (s == std::string_view::npos) return {};
  return texto.substr(q, s - q);
}

}  // namespace

std::string_view ValorAposRotulo(Trecho texto, std::string_view rotulo, int contagem) {
  rotulo = Aparar(rotulo);
  const std::size_t p = BuscarRotulo(texto, rotulo);
  if (p == std::string_view::npos) return {};
  return Aparar(ValorEm(texto.texto, p + rotulo.size(), contagem));
}

std::string_view ValorAposRotulo(std::string_view texto, std::string_view rotulo, int contagem) {
  const std::string dobrado = DobrarAscii(texto);
  return ValorAposRotulo(Trecho{texto, dobrado}, rotulo, contagem);
}

std::string_view ValorAposUmDosRotulos(std::string_view rotulo1, std::string_view rotulo2, std::string_view texto,
                                       int contagem) {
  for (const std::string_view rotulo : {rotulo1, rotulo2}) {
    if (rotulo.empty()) continue;
    const std::size_t p = texto.find(rotulo);
    if (p != std::string_view::npos) return ValorEm(texto, p + rotulo.size(), contagem);
  }
  return {};
}

std::string_view CaractereAposRotulo(std::string_view texto, std::string_view rotulo) {
  if (rotulo.empty()) return {};
  const std::size_t p = texto.find(rotulo);
  if (p == std::string_view::npos) return {};
  return texto.substr(p + rotulo.size(), 1);
}

std::string_view CortarEm(std::string_view texto, std::string_view marca) {
  const std::size_t p = marca.empty() ? std::string_view::npos : texto.find(marca);
  return p == std::string_view::npos ? texto : texto.substr(p);
}

std::string_view ProximoCampo(std::string_view texto) {
  const std::size_t s = texto.find(kSeparadorLinha);
  return s == std::string_view::npos ? std::string_view{} : texto.substr(0, s);
}

void PularCampo(std::string_view& texto) {
  const std::size_t s = texto.find(kSeparadorLinha);
  texto.remove_prefix(s == std::string_view::npos ? std::min<std::size_t>(2, texto.size())
                                                  : s + kSeparadorLinha.size());
}

// ---- Values ----

double LerNumero(std::string_view texto) {
  // Thousands separators out, comma to full stop, so the C++ reader (which
  // ignores the locale) sees "[-]digits[.digits][e[sign]digits]".
  std::string limpo;
  limpo.reserve(texto.size());
  for (const char c : Aparar(texto)) {
    if (c != '.') limpo.push_back(c == ',' ? '.' : c);
  }
  std::string_view v = limpo;
  bool negativo = false;
  if (!v.empty() && (v.front() == '+' || v.front() == '-')) {
    negativo = v.front() == '-';
    v.remove_prefix(1);
  }
  // Validate the form before reading: no "inf", "nan", hex or stray characters.
  std::size_t i = 0, digitos = 0;
  while (i < v.size() && EhDigito(v[i])) ++i, ++digitos;
  if (i < v.size() && v[i] == '.') {
    ++i;
    while (i < v.size() && EhDigito(v[i])) ++i, ++digitos;
  }
  if (digitos == 0) return 0;
  if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
    ++i;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
    const std::size_t inicioExpoente = i;
    while (i < v.size() && EhDigito(v[i])) ++i;
    if (i == inicioExpoente) return 0;
  }
  if (i != v.size()) return 0;
  // Written out in full ("0.5", "3.0", "1.0e3") so any reader takes it whole.
  const std::size_t e = std::min(v.find_first_of("eE"), v.size());
  std::string numero = v.front() == '.' ? "0" : "";
  numero.append(v.substr(0, e));
  if (numero.back() == '.') numero.push_back('0');
  numero.append(v.substr(e));
  double valor = 0;
  const auto [ptr, ec] = std::from_chars(numero.data(), numero.data() + numero.size(), valor);
  if (ec != std::errc() || ptr != numero.data() + numero.size()) return 0;
  return negativo ? -valor : valor;
}

Currency LerMoeda(std::string_view texto, std::string_view campo) {
  try {
    return Currency::DeDouble(LerNumero(texto));
  } catch (const ErroConversao&) {
    throw ErroConversao(Juntar({"'", Aparar(texto), "' excede o valor máximo ("_cp, campo, ")."}));
  }
}

int LerInteiroOuPadrao(std::string_view texto, int padrao) {
  int valor = 0;
  return LerInteiro(texto, valor) ? valor : padrao;
}

int LerInteiroEstrito(std::string_view texto, std::string_view campo) {
  int valor = 0;
  if (!LerInteiro(texto, valor))
    throw ErroConversao(Juntar({"'", texto, "' não é um número inteiro válido ("_cp, campo, ")."}));
  return valor;
}

TDateTime LerData(std::string_view texto) {
  texto = Aparar(texto);
  std::size_t i = 0;
  int dia = 0, mes = 0, ano = 0;
  if (!LerPartesData(texto, i, dia, mes, ano) || i != texto.size()) return 0;
  return CodificarOuZero(ano, mes, dia);
}

TDateTime LerDataHora(std::string_view texto) {
  texto = Aparar(texto);
  std::size_t i = 0;
  int dia = 0, mes = 0, ano = 0;
  if (!LerPartesData(texto, i, dia, mes, ano)) return 0;
  if (i == texto.size()) return CodificarOuZero(ano, mes, dia);
  const std::size_t inicioHora = i;
  while (i < texto.size() && Branco(texto[i])) ++i;
  if (i == inicioHora) return 0;
  const int hora = LerDigitos(texto, i, 1, 2);
  if (hora < 0 || !Consumir(texto, i, ':')) return 0;
  const int minuto = LerDigitos(texto, i, 2, 2);
  if (minuto < 0) return 0;
  int segundo = 0;
  if (Consumir(texto, i, ':')) {
    segundo = LerDigitos(texto, i, 2, 2);
    if (segundo < 0) return 0;
  }
  if (i != texto.size()) return 0;
  return CodificarOuZero(ano, mes, dia, hora, minuto, segundo);
}
