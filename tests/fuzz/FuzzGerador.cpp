// The field writer on arbitrary options and values: one document of fields
// (each its own tag, so the parsed document shows what became of each call).
// Only ErroConversao may leave a call, and such a call writes nothing; the
// document is XML libxml2 accepts, and each written field has its type's form.

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "XmlAceito.h"
#include "util/ErroConversao.h"
#include "util/Win1252.h"
#include "util/kxnAuxiliar.h"
#include "writer/kxnGerador.h"

namespace {

void Exigir(bool condicao, const char* oque, std::string_view texto = {}) {
  if (!condicao) {
    std::fprintf(stderr, "broken: %s [%.*s]\n", oque, static_cast<int>(texto.size()), texto.data());
    std::abort();
  }
}

struct Chamada {
  TkxnFormatoCampo tipo = fcTexto;
  int min = 0, max = 0, ocorrencia = 0;
  bool inteiro = false;  // the value was an integer
  std::int64_t valorInteiro = 0;
  bool cnpjcpf = false;  // EscreverCNPJCPF inside its own group
  std::string digitos;   // for it: the value's digits, or "-" when the country is not Brazil
};

bool Digito(char c) { return c >= '0' && c <= '9'; }

// "d..d" (with "-" first when `sinal`), exactly `n` digits when n > 0.
bool Numero(std::string_view t, bool sinal, std::size_t n = 0) {
  if (sinal && t.starts_with('-')) t.remove_prefix(1);
  return !t.empty() && TodosDigitos(t) && (n == 0 || t.size() == n);
}

bool Data(std::string_view t) {
  return t.size() == 10 && Numero(t.substr(0, 4), false) && t[4] == '-' && Numero(t.substr(5, 2), false) &&
         t[7] == '-' && Numero(t.substr(8, 2), false) && t.substr(5, 2) >= "01" && t.substr(5, 2) <= "12" &&
         t.substr(8, 2) >= "01" && t.substr(8, 2) <= "31";
}

bool Hora(std::string_view t) {
  return t.size() == 8 && Numero(t.substr(0, 2), false) && t[2] == ':' && Numero(t.substr(3, 2), false) &&
         t[5] == ':' && Numero(t.substr(6, 2), false) && t.substr(0, 2) <= "23" && t.substr(3, 2) <= "59" &&
         t.substr(6, 2) <= "59";
}

int Casas(TkxnFormatoCampo tipo) {
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
      return 0;
  }
}

void ConferirConteudo(const Chamada& c, std::string_view t, const TGerador::TGeradorOpcoes& o) {
  if (t.empty()) return;  // an empty field: its presence rule is checked by the caller
  switch (c.tipo) {
    case fcTexto:
    case fcNumerico:
      Exigir(!t.starts_with(' ') && !t.ends_with(' '), "a text field is not trimmed", t);
      break;
    case fcInteiro: {
      if (c.inteiro && c.min == c.max) {
        // Fixed width: zeros in front up to the width, a longer number whole.
        const std::string numero = std::to_string(c.valorInteiro);
        const std::size_t largura = c.max > 0 ? static_cast<std::size_t>(c.max) : 0;
        Exigir(t.ends_with(numero) && t.size() == std::max(largura, numero.size()) &&
                   t.find_first_not_of('0') >= t.size() - numero.size(),
               "a fixed-width integer", t);
      } else {
        // Zeros in front of a negative number too, when the width is fixed.
        const std::size_t inicio = c.min == c.max ? t.find_first_not_of('0') : 0;
        Exigir(inicio == std::string_view::npos || Numero(t.substr(inicio), true), "an integer field is not a number",
               t);
      }
      break;
    }
    case fcData:
      Exigir(Data(t), "a date field", t);
      break;
    case fcDataHora:
      Exigir(t.size() == 19 && Data(t.substr(0, 10)) && t[10] == 'T' && Hora(t.substr(11)), "a date-time field", t);
      break;
    case fcHora:
      Exigir(Hora(t), "a time field", t);
      break;
    default: {
      const std::size_t ponto = t.find('.');
      const bool semFracao = ponto == std::string_view::npos;
      Exigir(Numero(t.substr(0, ponto), true) &&
                 (semFracao ? o.SuprimirDecimais : Numero(t.substr(ponto + 1), false, Casas(c.tipo))),
             "a decimal field", t);
    }
  }
}

std::string TextoDoNo(xmlNodePtr no) {
  xmlChar* conteudo = xmlNodeGetContent(no);
  std::string t = conteudo ? reinterpret_cast<const char*>(conteudo) : "";
  xmlFree(conteudo);
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  FuzzedDataProvider f(dados, tamanho);
  TGerador g;
  TGerador::TGeradorOpcoes& o = g.Opcoes();
  o.SomenteValidar = f.ConsumeBool();
  o.IdentarXML = f.ConsumeBool();
  o.TamanhoIdentacao = f.ConsumeIntegralInRange(-2, 8);
  o.RetirarEspacos = f.ConsumeBool();
  o.RetirarAcentos = f.ConsumeBool();
  o.SuprimirDecimais = f.ConsumeBool();
  o.TagVaziaNoFormatoResumido = f.ConsumeBool();

  g.EscreverGrupo("raiz", "A01", true);
  std::map<std::string, Chamada> escritas;  // by tag, the calls that did not raise
  for (int i = 0; i < 48 && f.remaining_bytes() > 0; ++i) {
    Chamada c;
    const std::string tag = (f.ConsumeBool() ? "c" : "g") + std::to_string(i);
    if (tag[0] == 'g') {
      const int pais = f.ConsumeBool() ? 1058 : f.ConsumeIntegral<int>();
      const std::string valor = f.ConsumeRandomLengthString(40);
      c.cnpjcpf = true;
      c.digitos = pais == 1058 ? ExtrairDigitos(Trim(valor)) : "-";
      g.EscreverGrupo(tag, "", true);
      g.EscreverCNPJCPF("C02", "C02a", valor, pais);
      g.EscreverGrupo("/" + tag, "", true);
      escritas[tag] = c;
      continue;
    }
    c.tipo = static_cast<TkxnFormatoCampo>(f.ConsumeIntegralInRange(0, 10));
    c.min = f.ConsumeIntegralInRange(-1, 70);
    c.max = f.ConsumeBool() ? c.min : f.ConsumeIntegralInRange(-1, 70);
    c.ocorrencia = f.ConsumeIntegralInRange(0, 2);
    std::string texto;
    TValorCampo valor("");
    switch (f.ConsumeIntegralInRange(0, 4)) {
      case 0:
        texto = f.ConsumeRandomLengthString(80);
        valor = TValorCampo(texto);
        break;
      case 1:
        c.inteiro = true;
        c.valorInteiro = f.ConsumeIntegral<std::int64_t>();
        valor = TValorCampo(c.valorInteiro);
        break;
      case 2:  // any double, NaN and infinities included
        valor = TValorCampo(std::bit_cast<double>(f.ConsumeIntegral<std::uint64_t>()));
        break;
      case 3:
        valor = TValorCampo(Currency::DeBruto(f.ConsumeIntegral<std::int64_t>()));
        break;
      default:
        valor = ValorData(f.ConsumeBool() ? std::bit_cast<double>(f.ConsumeIntegral<std::uint64_t>())
                                          : f.ConsumeFloatingPointInRange<double>(-700000.0, 3000000.0));
    }
    const std::size_t antes = g.ArquivoFormatoXML().size();
    try {
      g.EscreverCampo(c.tipo, "X01", tag, c.min, c.max, c.ocorrencia, valor, "campo");
      escritas[tag] = c;
    } catch (const ErroConversao&) {
      Exigir(g.ArquivoFormatoXML().size() == antes, "a field that raised wrote something", tag);
    }
  }
  g.EscreverGrupo("/raiz", "", true);
  Exigir(g.NivelAtual() == 0, "balanced groups do not bring the level back to 0");
  for (const std::string& alerta : g.ListaDeAlertas())
    Exigir(alerta.starts_with("TAG:") && alerta.ends_with("."), "an alert out of its template", alerta);

  std::string utf8 = win1252::ParaUtf8(g.ArquivoFormatoXML());
  if (!o.RetirarAcentos) {
    // Kept control characters are the saver's to replace (XML forbids them even escaped).
    for (char& c : utf8)
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') c = ' ';
  }
  ExigirXmlAceito(utf8, [&](xmlNodePtr raiz) {
    Exigir(raiz && std::string_view(reinterpret_cast<const char*>(raiz->name)) == "raiz", "the root");
    std::map<std::string, xmlNodePtr> nos;
    for (xmlNodePtr n = raiz->children; n; n = n->next)
      if (n->type == XML_ELEMENT_NODE) {
        const std::string nome = reinterpret_cast<const char*>(n->name);
        Exigir(escritas.contains(nome), "an element of a call that raised or of none", nome);
        Exigir(nos.emplace(nome, n).second, "a field written twice", nome);
      }
    for (const auto& [tag, c] : escritas) {
      const auto no = nos.find(tag);
      if (c.cnpjcpf) {
        Exigir(no != nos.end(), "a group is missing", tag);
        xmlNodePtr filho = xmlFirstElementChild(no->second);
        const std::string nome = filho ? reinterpret_cast<const char*>(filho->name) : "";
        const std::string valor = filho ? TextoDoNo(filho) : "";
        if (o.SomenteValidar)
          Exigir(!filho, "SomenteValidar wrote a field", tag);
        else if (c.digitos == "-")
          Exigir(nome == "CNPJ" && valor.empty(), "abroad: not the empty CNPJ", tag);
        else if (c.digitos.size() == 11 || c.digitos.size() == 14)
          Exigir(nome == (c.digitos.size() == 11 ? "CPF" : "CNPJ") && valor == c.digitos, "CNPJ or CPF", tag);
        else
          Exigir(!filho, "a CNPJ or CPF of another length was written", tag);
        continue;
      }
      if (o.SomenteValidar) {
        Exigir(no == nos.end(), "SomenteValidar wrote a field", tag);
        continue;
      }
      if (c.ocorrencia == 1) Exigir(no != nos.end(), "a mandatory field is missing", tag);
      if (no != nos.end()) ConferirConteudo(c, TextoDoNo(no->second), o);
    }
  });
  return 0;
}
