#include "converter/ZoltHTMLtoXML.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <vector>

#include "converter/TextoPagina.h"
#include "nfe/DataHora.h"
#include "nfe/kxnConversao.h"
#include "util/ErroConversao.h"
#include "util/Win1252.h"
#include "util/ZoltUtil.h"
#include "util/kxnAuxiliar.h"
#include "writer/kxnNFeW.h"

namespace {

// Items are numbered 1 up to this on the page.
constexpr int kMaximoItens = 990;
// Rows read from a billing or an observation table. Far beyond what a real
// page holds (the layout allows 120 duplicates and 10 observations), it keeps
// a page of endless rows from growing the document without bound; the rows
// past it are counted in an alert.
constexpr int kMaximoLinhasTabela = 990;
// The heading line and the column headings "Num.", "Descrição", "Qtd.",
// "Unidade Comercial" and "Valor(R$)" before the first item of layout 2.00.
constexpr std::size_t kCabecalhoProdutos = 87;
// The heading line before the items of the older layouts.
constexpr std::size_t kCabecalhoProdutosAntigo = 32;
// Where an item's row (description, quantity, unit, value) is read from: the
// seventh character of its text, just past the marker of items 1 to 9 and
// inside its closing separator for longer numbers, which the first field
// skip passes all the same.
constexpr std::size_t kInicioDaLinhaDoItem = 7;
// From a table's last column heading ("VALOR", "TEXTO") to its first cell:
// the five letters, a separator and one more character.
constexpr std::size_t kColunaAtePrimeiraCelula = 9;
// The duplicates' heading and what follows it up to where their column
// headings are looked for.
constexpr std::size_t kTituloDuplicatas = 13;

// Characters from the 1-based position `inicio`, at most `n`, as the page's
// fixed-width values are cut (fewer at the end, none past it).
std::string Copiar(std::string_view texto, std::size_t inicio, std::size_t n) {
  if (inicio < 1 || inicio > texto.size()) return {};
  return std::string(texto.substr(inicio - 1, n));
}

template <class Conversao>
auto Codigo(Conversao conversao, std::string_view codigo) {
  bool ok = false;  // an unknown code takes the table's first value
  return conversao(ok, codigo);
}

// The part of `texto` from the first exact occurrence of `marca`; all of it when absent.
Trecho CortarEmExato(Trecho texto, std::string_view marca) {
  const std::size_t p = texto.texto.find(marca);
  return p == std::string_view::npos ? texto : texto.Sub(p);
}

void PularCampoDoTrecho(Trecho& texto) {
  std::string_view v = texto.texto;
  PularCampo(v);
  texto = texto.Sub(texto.size() - v.size());
}

// Value lookups of one section, converted the ways the page needs.
std::string Texto(Trecho t, std::string_view rotulo, int contagem = 0) {
  return std::string(ValorAposRotulo(t, rotulo, contagem));
}
std::string Digitos(Trecho t, std::string_view rotulo) { return ApenasDigitos(ValorAposRotulo(t, rotulo, 0)); }
std::string LetrasEDigitos(Trecho t, std::string_view rotulo) {
  return ApenasLetrasEDigitos(ValorAposRotulo(t, rotulo, 0));
}
Currency Numero(Trecho t, std::string_view rotulo) { return LerMoeda(ValorAposRotulo(t, rotulo, 0), Aparar(rotulo)); }
int Inteiro(Trecho t, std::string_view rotulo, int contagem = 0, int padrao = 0) {
  return LerInteiroOuPadrao(ValorAposRotulo(t, rotulo, contagem), padrao);
}
Currency NumeroExato(std::string_view rotulo1, std::string_view rotulo2, Trecho t) {
  const std::string_view rotulo = t.texto.find(rotulo1) != std::string_view::npos ? rotulo1 : rotulo2;
  return LerMoeda(ValorAposUmDosRotulos(rotulo1, rotulo2, t.texto, 0), Aparar(rotulo));
}

// "Endereço": the street before the first comma, the number the ten
// characters after it (from the start when there is no comma).
template <class Endereco>
void LerEndereco(std::string_view valor, Endereco& endereco) {
  const std::size_t virgula = valor.find(',');
  if (virgula == std::string_view::npos) {
    endereco.xLgr.clear();
    endereco.nro = Copiar(valor, 1, 10);
  } else {
    endereco.xLgr = std::string(valor.substr(0, virgula));
    endereco.nro = Copiar(valor, virgula + 2, 10);
  }
}

class LeitorPagina {
 public:
  LeitorPagina(std::string_view paginaTexto, TNFe& nfe) : pagina_(JuntarLinhas(paginaTexto)), nfe_(nfe) {}

  bool Ler() {
    CortarNosTitulos();
    LerCabecalho(Secao(kInicio, kDadosNFe));
    if (Aparar(nfe_.infNFe.ID).empty()) return false;
    ConferirTamanhoDaChave();
    LerValoresDaChave();

    LerDadosNFe(Secao(kDadosNFe, kBlocoEmitente));
    // The EMITENTE and DESTINATÁRIO blocks are not read.
    LerEmissao(Secao(kBlocoEmissao, kDadosEmitente));
    LerEmitente(Secao(kDadosEmitente, kDadosDestinatario));
    const Trecho destinatario = Secao(kDadosDestinatario, kProdutos);
    LerDestinatario(destinatario);

    // The totals follow the last item, within its text; with no item they
    // are looked for in the recipient's section.
    const Trecho produtos = Secao(kProdutos, kTransporte);
    const Trecho ultimoItem =
        versao_ == "2.00" ? LerItens(produtos, destinatario) : LerItensLeiauteAntigo(produtos, destinatario);
    LerTotais(CortarEmExato(ultimoItem, "Totais"));

    const Trecho transporte = Secao(kTransporte, kCobranca);
    LerTransporte(transporte);
    // The billing section reaches back to the transport heading.
    if (!Aparar(transporte.texto).empty()) LerCobranca(Secao(kTransporte, kInformacoesAdicionais));
    LerInformacoes(Informacoes(produtos));
    LerObservacoes(Secao(kTransporte, kNotaAvulsa));
    return true;
  }

 private:
  // The result page's headings, in page order up to the transport heading.
  // The page is cut at each of these in turn, each searched (ASCII case
  // ignored) from the last one found; the three after the transport heading
  // are each searched from it.
  enum Titulo {
    kInicio,  // the page's start
    kDadosNFe,
    kBlocoEmitente,
    kBlocoDestinatario,
    kBlocoEmissao,
    kDadosEmitente,
    kDadosDestinatario,
    kProdutos,
    kTransporte,
    kCobranca,
    kInformacoesAdicionais,
    kNotaAvulsa,
    kTitulos
  };
  static constexpr std::array<std::string_view, kTitulos> kNomeTitulo = {
      "",
      "Dados da NF-e",
      "EMITENTE",
      "DESTINATÁRIO"_cp,
      "EMISSÃO"_cp,
      "Dados do Emitente",
      "Dados do destinatário"_cp,
      "Dados dos Produtos e Serviços"_cp,
      "Dados do Transporte",
      "Dados de Cobrança"_cp,
      "Informações Adicionais"_cp,
      "Dados de Nota Fiscal Avulsa",
  };

  // Where each heading of the chain up to the transport cuts the page: the
  // text from it on, or from the cut before it when the page lacks it.
  void CortarNosTitulos() {
    Trecho resto = pagina_.Inteiro();
    aPartirDe_[kInicio] = resto;
    for (int t = kDadosNFe; t <= kTransporte; ++t) {
      Trecho antes;
      CortarNaSecao(kNomeTitulo[t], resto, resto, antes);
      aPartirDe_[t] = resto;
    }
  }

  // The text from heading `de` (from the cut before it when the page lacks
  // it) up to heading `ate`; empty when `ate` does not follow.
  Trecho Secao(Titulo de, Titulo ate) const {
    Trecho aPartir = aPartirDe_[de], antes;
    CortarNaSecao(kNomeTitulo[ate], aPartirDe_[de], aPartir, antes);
    return antes;
  }

  // The additional information's text: from its heading on, else from the
  // billing heading on, else the products text.
  Trecho Informacoes(Trecho produtos) const {
    for (const Titulo t : {kInformacoesAdicionais, kCobranca}) {
      const Trecho transporte = aPartirDe_[kTransporte];
      const std::size_t p = BuscarSemCaixa(transporte, Aparar(kNomeTitulo[t]));
      if (p != std::string_view::npos) return transporte.Sub(p);
    }
    return produtos;
  }

  void LerCabecalho(Trecho t) {
    nfe_.infNFe.ID = Digitos(t, "Chave de acesso");
    nfe_.Ide.nNF = LerInteiroOuPadrao(Digitos(t, "Número NF-e"_cp));
    nfe_.procNFe.chNFe = Digitos(t, "Chave de acesso");
    versao_ = Texto(t, "Versão"_cp);
  }

  // Any other length would give a file name and an Id that are not the key's.
  void ConferirTamanhoDaChave() const {
    const std::string& chave = nfe_.infNFe.ID;
    if (chave.size() != 44)
      throw ErroConversao("Chave de acesso: '" + chave + "' " + std::string("tem "_cp) + std::to_string(chave.size()) +
                          std::string(" dígitos em vez de 44."_cp));
  }

  void LerValoresDaChave() {
    nfe_.Ide.cNF = CodigoNumericoDaChave(nfe_.infNFe.ID, nfe_.infNFe.Versao());
    const std::string digitos = ExtrairDigitos(nfe_.infNFe.ID);
    nfe_.Ide.modelo = LerInteiroEstrito(Copiar(digitos, 21, 2), "modelo da chave de acesso");
    nfe_.Ide.serie = LerInteiroEstrito(Copiar(digitos, 23, 3), "série da chave de acesso"_cp);
  }

  void LerDadosNFe(Trecho t) {
    static constexpr std::string_view kRotulo = "Data de emissão"_cp;
    const std::string_view valor = ValorAposRotulo(t, kRotulo, 0);
    if (valor.empty()) return;  // the zero date stays
    const int dia = LerInteiroEstrito(Copiar(valor, 1, 2), kRotulo);
    const int mes = LerInteiroEstrito(Copiar(valor, 4, 2), kRotulo);
    const int ano = LerInteiroEstrito(Copiar(valor, 7, 4), kRotulo);
    if (!DataValida(ano, mes, dia))
      throw ErroConversao(std::string(kRotulo) + ": '" + std::string(valor) + "' " +
                          std::string("não é uma data válida."_cp));
    nfe_.Ide.dEmi = CodificarDataHora(ano, mes, dia);
  }

  void LerEmissao(Trecho t) {
    TIde& ide = nfe_.Ide;
    ide.procEmi = Codigo(CodigoParaProcessoEmissao, ValorAposRotulo(t, "Processo", 1));
    ide.verProc = Texto(t, "Versão do Processo"_cp);
    ide.tpEmis = Codigo(CodigoParaTipoEmissao, ValorAposRotulo(t, "Tipo de Emissão"_cp, 1));
    ide.finNFe = Codigo(CodigoParaFinalidadeNFe, ValorAposRotulo(t, "Finalidade", 1));
    ide.natOp = Texto(t, "Natureza da Operação"_cp);
    ide.tpNF = Codigo(CodigoParaTipoNFe, ValorAposRotulo(t, "Tipo da Operação"_cp, 1));
    ide.indPag = Codigo(CodigoParaIndicadorPagamento, ValorAposRotulo(t, "Forma de Pagamento", 1));
    nfe_.procNFe.digVal = Texto(t, "Digest Value da NF-e");
    nfe_.procNFe.nProt = Texto(t, "Protocolo");
    nfe_.procNFe.dhRecbto = LerDataHora(ValorAposRotulo(t, "Data/Hora", 0));
  }

  void LerEmitente(Trecho t) {
    TEmit& emit = nfe_.Emit;
    TenderEmit& ender = emit.EnderEmit;
    emit.xNome = Texto(t, "Nome / Razão Social"_cp);
    emit.xFant = Texto(t, "Nome Fantasia");
    emit.CNPJCPF = Digitos(t, "CNPJ");
    LerEnderecoDaParte(t, "Bairro/Distrito", ender);
    nfe_.Ide.cUF = Inteiro(t, "Município"_cp, 2);
    emit.IE = LetrasEDigitos(t, "Inscrição Estadual"_cp);
    nfe_.Ide.cMunFG = Inteiro(t, "Município da Ocorrência do Fato Gerador do ICMS"_cp);
    const std::string_view crt = ValorAposRotulo(t, "Código de Regime Tributário"_cp, 1);
    if (crt == "1") emit.CRT = crtSimplesNacional;
    if (crt == "2") emit.CRT = crtSimplesExcessoReceita;
    if (crt == "3") emit.CRT = crtRegimeNormal;
  }

  // The address block of the emitter and of the recipient; only the
  // district's label differs between the two.
  template <class Endereco>
  void LerEnderecoDaParte(Trecho t, std::string_view rotuloBairro, Endereco& ender) {
    LerEndereco(ValorAposRotulo(t, "Endereço"_cp, 0), ender);
    ender.xBairro = Texto(t, rotuloBairro);
    ender.CEP = LerInteiroOuPadrao(Digitos(t, "CEP"));
    ender.cMun = Inteiro(t, "Município"_cp, 7);
    ender.xMun = Copiar(ValorAposRotulo(t, "Município"_cp, 0), 10, 60);
    ender.fone = LetrasEDigitos(t, " Fone/Fax");
    ender.UF = Texto(t, "UF");
    ender.cPais = Inteiro(t, "País"_cp, 4, 1058);
    ender.xPais = Copiar(ValorAposRotulo(t, "País"_cp, 0), 8, 60);
  }

  void LerDestinatario(Trecho t) {
    TDest& dest = nfe_.Dest;
    TenderDest& ender = dest.EnderDest;
    dest.xNome = Texto(t, "Nome / Razão social"_cp);
    dest.CNPJCPF = Digitos(t, "CNPJ");
    LerEnderecoDaParte(t, "Bairro / Distrito", ender);
    dest.IE = LetrasEDigitos(t, "Inscrição estadual"_cp);
  }

  // ---- Items of layout 2.00 ----

  // The marker of item n: its number alone on a line.
  static std::string Marcador(int n) {
    return std::string(kSeparadorLinha) + std::to_string(n) + std::string(kSeparadorLinha);
  }

  // Where the search for the next marker starts: the separator that ends
  // the item's row (description, quantity, unit, value) after its marker at
  // `marcador`; npos when the row is cut short.
  static std::size_t FimDaLinhaDoItem(std::string_view lista, std::size_t marcador, int n) {
    std::size_t p = marcador + Marcador(n).size();
    for (int campo = 1; campo <= 4; ++campo) {
      const std::size_t s = lista.find(kSeparadorLinha, p);
      if (s == std::string_view::npos || campo == 4) return s;
      p = s + kSeparadorLinha.size();
    }
    return std::string_view::npos;
  }

  // Items are taken in sequence. The marker of n+1 is looked for only after
  // item n's row, so a row cell holding a plain number is never a marker,
  // and the first number missing from the sequence ends the list: the last
  // item's text runs to the end of the products text. Returns the last item's
  // text as read (`semItens` when there is none).
  Trecho LerItens(Trecho produtos, Trecho semItens) {
    Trecho ultimo = semItens;
    const Trecho lista = produtos.Sub(kCabecalhoProdutos);
    std::size_t inicio = lista.texto.find(Marcador(1));
    for (int n = 1; inicio != std::string_view::npos; ++n) {
      std::size_t proximo = std::string_view::npos;
      const std::size_t fimLinha = FimDaLinhaDoItem(lista.texto, inicio, n);
      if (fimLinha != std::string_view::npos) proximo = lista.texto.find(Marcador(n + 1), fimLinha);
      if (n == kMaximoItens && proximo != std::string_view::npos) {
        AlertarItensAlemDoMaximo(lista.texto, proximo);
        proximo = std::string_view::npos;  // the layout's maximum: the last item runs to the end
      }
      ultimo = LerItem(n, lista.Sub(inicio, proximo == std::string_view::npos ? proximo : proximo - inicio));
      inicio = proximo;
    }
    return ultimo;
  }

  // The items after the layout's maximum, from the marker of the first of
  // them on, are counted and told, never silently dropped.
  void AlertarItensAlemDoMaximo(std::string_view lista, std::size_t inicio) {
    int alem = 0;
    for (int n = kMaximoItens + 1; inicio != std::string_view::npos; ++n, ++alem) {
      const std::size_t fimLinha = FimDaLinhaDoItem(lista, inicio, n);
      inicio = fimLinha == std::string_view::npos ? fimLinha : lista.find(Marcador(n + 1), fimLinha);
    }
    alertas_.push_back(std::string("det: a página tem "_cp) + std::to_string(kMaximoItens + alem) + " itens; " +
                       std::to_string(alem) + std::string(" além do máximo de "_cp) + std::to_string(kMaximoItens) +
                       std::string(" do leiaute foram deixados de fora (os totais incluem todos)."_cp));
  }

  // Returns the item's text from its last section read (ICMS or IPI) on.
  Trecho LerItem(int n, Trecho item) {
    TDetCollectionItem& det = nfe_.Det.Add();
    TProd& prod = det.Prod;
    prod.nItem = n;
    prod.xProd = Texto(item, Marcador(n));

    // The row: description, quantity, unit and value, each ended by a separator.
    item = item.Sub(kInicioDaLinhaDoItem);
    PularCampoDoTrecho(item);
    PularCampoDoTrecho(item);
    prod.uCom = std::string(Aparar(ProximoCampo(item.texto)));
    PularCampoDoTrecho(item);
    prod.vProd = LerMoeda(ProximoCampo(item.texto), "Valor(R$)");

    LerDetalhes(item, prod);
    LerVeiculo(item, prod.veicProd);
    LerICMS(item, det.Imposto.ICMS);
    LerIPI(item, det.Imposto.IPI);
    return item;
  }

  // The older layouts read the details up to the unit value of taxation only.
  void LerDetalhes(Trecho t, TProd& prod, bool comDesconto = true) {
    prod.cProd = Texto(t, "Código do Produto"_cp);
    prod.NCM = Texto(t, "Código NCM"_cp);
    prod.CFOP = Texto(t, "CFOP");
    prod.vFrete = Numero(t, "Valor Total do Frete");
    prod.cEAN = Texto(t, "Código EAN Comercial"_cp);
    prod.qCom = Numero(t, "Quantidade Comercial");
    prod.cEANTrib = Texto(t, "Código EAN Tributável"_cp);
    prod.uTrib = Texto(t, "Unidade Tributável"_cp);
    prod.qTrib = Numero(t, "Quantidade Tributável"_cp);
    prod.vUnCom = LerNumero(ValorAposRotulo(t, "Valor unitário de comercialização"_cp, 0));
    prod.vUnTrib = LerNumero(ValorAposRotulo(t, "Valor unitário de tributação"_cp, 0));
    if (comDesconto) prod.vDesc = Numero(t, "Valor do Desconto");
  }

  void LerVeiculo(Trecho t, TveicProd& veic) {
    const std::string chassi = Texto(t, "Chassi do veículo "_cp);
    if (chassi.empty()) return;
    veic.chassi = chassi;
    veic.cCor = Texto(t, "Cor ");
    veic.xCor = Texto(t, "Descrição da cor "_cp);
    veic.nSerie = Texto(t, "Serial (Série) "_cp);
    veic.tpComb = Texto(t, "Tipo de Combustível "_cp);
    veic.nMotor = Texto(t, "Número de Motor "_cp);
    veic.anoMod =
        LerInteiroEstrito(ValorAposRotulo(t, "Ano Modelo de Fabricação "_cp, 0), "Ano Modelo de Fabricação"_cp);
    veic.anoFab = LerInteiroEstrito(ValorAposRotulo(t, "Ano de Fabricação "_cp, 0), "Ano de Fabricação"_cp);
  }

  void LerICMS(Trecho t, TICMS& icms) {
    icms.orig = Codigo(CodigoParaOrigemMercadoria, ValorAposRotulo(t, "Origem da Mercadoria", 1));
    if (t.texto.find("Código de Situação da Operação"_cp) != std::string_view::npos) {
      // Simples Nacional: CSOSN instead of CST, which keeps cst00 (branch D below).
      icms.CSOSN =
          Codigo(CodigoParaCSOSNIcms, ValorAposUmDosRotulos("Código de Situação da Operação - Simples Nacional"_cp,
                                                            "Código de Situação da Operação"_cp, t.texto, 3));
      icms.vBCSTRet = Numero(t, "Valor da BC do ICMS ST retido ");
      icms.vICMSSTRet = Numero(t, "Valor do ICMS ST retido");
    } else {
      icms.CST = Codigo(CodigoParaCSTIcms, ValorAposRotulo(t, "Tributação do ICMS"_cp, 3));
    }
    const Trecho texto = CortarEmExato(t, "Modalidade");
    switch (icms.CST) {
      case cst70:
        LerICMSRamoA(texto, icms);
        break;
      case cst20:
        LerICMSRamoB(texto, icms);
        break;
      case cst10:
      case cstPart10:
        LerICMSRamoC(texto, icms);
        break;
      default:
        LerICMSRamoD(texto, icms);
    }
  }

  static TkxnDeterminacaoBaseIcms ModBC(std::string_view codigo) {
    return Codigo(CodigoParaDeterminacaoBaseIcms, codigo);
  }
  static TkxnDeterminacaoBaseIcmsST ModBCST(std::string_view codigo) {
    return Codigo(CodigoParaDeterminacaoBaseIcmsST, codigo);
  }

  // Situation 70.
  static void LerICMSRamoA(Trecho t, TICMS& icms) {
    icms.modBC = ModBC(CaractereAposRotulo(t.texto, "Modalidade "));
    icms.pRedBC = Numero(t, "Percentual Redução de BC do ICMS Normal"_cp);
    icms.vBC = Numero(t, "Base de Cálculo"_cp);
    icms.pICMS = Numero(t, "Alíquota"_cp);
    t = CortarEmExato(t, "Alíquota"_cp);
    icms.vICMS = Numero(t, "Valor");
    icms.modBCST = ModBCST(CaractereAposRotulo(t.texto, "Modalidade de Determinação da BC do ICMS ST"_cp));
    icms.pMVAST = Numero(t, "Percentual da Margen de Valor Adicionado do ICMS ST");
    icms.pRedBCST = Numero(t, "Percentual da Redução de BC do ICMS ST"_cp);
    icms.vBCST = Numero(t, "Valor da BC do ICMS ST");
    icms.pICMSST = Numero(t, "Alíquota do Imposto do ICMS ST"_cp);
    icms.vICMSST = Numero(t, "Valor do ICMS ST");
  }

  // Situation 20.
  static void LerICMSRamoB(Trecho t, TICMS& icms) {
    icms.modBC = ModBC(CaractereAposRotulo(t.texto, "Modalidade Definição da BC do ICMS "_cp));
    t = CortarEmExato(t, "&");
    icms.vBC = Numero(t, "Base de Cálculo"_cp);
    icms.pICMS = Numero(t, "Alíquota"_cp);
    icms.vICMS = Numero(t, "Valor");
    icms.pRedBC = Numero(t, "Percentual Redução de BC do ICMS Normal"_cp);
  }

  // Situation 10.
  static void LerICMSRamoC(Trecho t, TICMS& icms) {
    icms.modBC = ModBC(ValorAposUmDosRotulos("Modalidade Definição da BC ICMS NORMAL "_cp, "Modalidade ", t.texto, 1));
    icms.vBC = NumeroExato("Base de Cálculo do ICMS Normal"_cp, "Valor da BC do ICMS", t);
    icms.pICMS = NumeroExato("Alíquota ICMS Normal "_cp, "Alíquota do Imposto"_cp, t);
    t = t.texto.find("Alíquota ICMS Normal "_cp) != std::string_view::npos
            ? CortarEmExato(t, "Alíquota ICMS Normal "_cp)
            : CortarEmExato(t, "Alíquota do Imposto"_cp);
    icms.vICMS = NumeroExato("Valor do ICMS Normal", "Valor", t);
    icms.modBCST = ModBCST(ValorAposUmDosRotulos("Modalidade Definição da BC ICMS ST "_cp,
                                                 "Modalidade de Determinação da BC do ICMS ST"_cp, t.texto, 1));
    icms.vICMSST = Numero(t, "Valor do ICMS ST ");
    icms.pICMSST = NumeroExato("Alíquota do ICMS ST"_cp, "Alíquota do Imposto do ICMS ST"_cp, t);
    icms.vBCST = NumeroExato("Base de Cálculo do ICMS ST"_cp, "Valor da BC do ICMS ST", t);
    // Some pages label the MVA with the older words of situation 70; that is
    // the MVA too, and the rate read above stays the ST rate. The newer label
    // wins when a page has both.
    static constexpr std::string_view kMVA = "Percentual do MVA do ICMS ST";
    static constexpr std::string_view kMVAAntigo = "Percentual da Margen de Valor Adicionado do ICMS ST";
    icms.pMVAST = Numero(t, ContemSemCaixa(t, kMVA) ? kMVA : kMVAAntigo);
  }

  // Every other situation, Simples Nacional included.
  static void LerICMSRamoD(Trecho t, TICMS& icms) {
    icms.modBC = ModBC(CaractereAposRotulo(t.texto, "Modalidade Definição da BC ICMS NORMAL "_cp));
    icms.modBCST = ModBCST(CaractereAposRotulo(t.texto, "Modalidade de determinação da BC do ICMS ST"_cp));
    icms.vBC = Numero(t, "Base de Cálculo do ICMS Normal"_cp);
    icms.pICMS = Numero(t, "Alíquota do ICMS Normal"_cp);
    t = CortarEmExato(t, "Alíquota ICMS Normal"_cp);
    icms.vICMS = Numero(t, "Valor do ICMS Normal");
    icms.vBCST = NumeroExato("Base de Cálculo do ICMS ST"_cp, "Valor da BC do ICMS ST", t);
    icms.pICMSST = NumeroExato("Alíquota do ICMS ST"_cp, "Alíquota do imposto do ICMS ST"_cp, t);
    icms.vICMSST = Numero(t, "Valor do ICMS ST");
    icms.pMVAST = Numero(t, "Percentual da margem de valor Adicionado do ICMS ST");
  }

  // Cuts the item text at the IPI heading when there is one.
  static void LerIPI(Trecho& t, TIPI& ipi) {
    static constexpr std::string_view kCabecalho = "IMPOSTO SOBRE PRODUTOS INDUSTRIALIZADOS";
    if (t.texto.find(kCabecalho) == std::string_view::npos) return;
    t = CortarEmExato(t, kCabecalho);
    ipi.cEnq = Texto(t, "Código de Enquadramento"_cp);
    ipi.vBC = Numero(t, "Base de Cálculo"_cp);
    ipi.pIPI = Numero(t, "Alíquota"_cp);
    ipi.vIPI = Numero(t, "Valor IPI");
    ipi.CST = Codigo(CodigoParaCstIpi, ValorAposRotulo(t, "CST", 2));
  }

  // ---- Items of the older layouts ----

  // Nothing but the labels marks an item there: each item's text runs from
  // one "Num." to the next (or to the end of the products text), at most 990
  // of them, so the reading always ends. Returns the last item's text as
  // read (`semItens` when there is none).
  Trecho LerItensLeiauteAntigo(Trecho produtos, Trecho semItens) {
    Trecho ultimo = semItens;
    Trecho lista = produtos.Sub(kCabecalhoProdutosAntigo);
    static constexpr std::string_view kNum = "Num.";
    std::size_t p = BuscarSemCaixa(lista, kNum);
    for (int lidos = 0; p != std::string_view::npos && lidos < kMaximoItens; ++lidos) {
      lista = lista.Sub(p);
      const std::size_t seguinte = BuscarSemCaixa(lista.Sub(kNum.size()), kNum);
      const std::size_t fim = seguinte == std::string_view::npos ? lista.size() : seguinte + kNum.size();
      ultimo = LerItemLeiauteAntigo(lista.Sub(0, fim));
      lista = lista.Sub(fim);
      p = seguinte == std::string_view::npos ? std::string_view::npos : 0;
    }
    return ultimo;
  }

  Trecho LerItemLeiauteAntigo(Trecho item) {
    TDetCollectionItem& det = nfe_.Det.Add();
    TProd& prod = det.Prod;
    prod.nItem = Inteiro(item, "Num.");
    prod.xProd = Texto(item, "Descrição"_cp);
    prod.qCom = Numero(item, "Qtd.");
    prod.uCom = Texto(item, "Unidade Comercial");
    prod.vProd = Numero(item, "Valor(R$)");
    const Currency qtd = prod.qCom;
    LerDetalhes(item, prod, false);
    if (!ContemSemCaixa(item, "Quantidade Comercial")) prod.qCom = qtd;
    TICMS& icms = det.Imposto.ICMS;
    icms.orig = Codigo(CodigoParaOrigemMercadoria, ValorAposRotulo(item, "Origem da Mercadoria", 1));
    icms.CST = Codigo(CodigoParaCSTIcms, ValorAposRotulo(item, "Tributação do ICMS"_cp, 2));
    icms.vBC = Numero(item, "Base de Cálculo do ICMS Normal"_cp);
    icms.pICMS = Numero(item, "Alíquota do ICMS Normal"_cp);
    icms.vICMS = Numero(item, "Valor do ICMS Normal");
    LerIPI(item, det.Imposto.IPI);
    return item;
  }

  // ---- Totals, transport, billing, information ----

  void LerTotais(Trecho t) {
    const bool v200 = versao_ == "2.00";
    TICMSTot& tot = nfe_.Total.ICMSTot;
    tot.vBC = Numero(t, "Base de Cálculo ICMS"_cp);
    tot.vICMS = Numero(t, "Valor do ICMS");
    tot.vBCST = Numero(t, "Base de Cálculo ICMS ST"_cp);
    tot.vST = Numero(t, "Valor ICMS Substituição"_cp);
    tot.vProd = Numero(t, v200 ? "Valor Total dos Produtos" : "Valor dos Produtos");
    tot.vFrete = Numero(t, "Valor do Frete");
    tot.vSeg = Numero(t, "Valor do Seguro");
    tot.vOutro = Numero(t, "Outras Despesas Acessórias"_cp);
    tot.vIPI = Numero(t, "Valor Total do IPI");
    tot.vNF = Numero(t, "Valor Total da NFe");
    tot.vDesc = Numero(t, v200 ? "Valor Total dos Descontos" : "Valor dos Descontos");
    tot.vII = Numero(t, "Valor do II");
    tot.vPIS = Numero(t, "Valor do PIS");
    tot.vCOFINS = Numero(t, "Valor da COFINS");
  }

  void LerTransporte(Trecho t) {
    TTransp& transp = nfe_.Transp;
    transp.modFrete = Codigo(CodigoParaModalidadeFrete, ValorAposRotulo(t, "Modalidade do Frete", 1));
    transp.Transporta.CNPJCPF = Digitos(t, "CNPJ");
    transp.Transporta.xNome = Texto(t, "Razão Social / Nome"_cp);
    transp.Transporta.IE = Texto(t, "Inscrição Estadual"_cp);
    transp.Transporta.xEnder = Texto(t, "Endereço Completo"_cp);
    transp.Transporta.xMun = Texto(t, "Município"_cp);
    transp.Transporta.UF = Texto(t, "UF");
    // A vehicle only when the page shows its plate; its UF follows the plate
    // (the first UF of the text is the carrier's).
    const Trecho veiculo = t.Sub(BuscarRotulo(t, "Placa"));
    const std::string placa = Texto(veiculo, "Placa");
    if (!placa.empty()) {
      transp.veicTransp.placa = placa;
      transp.veicTransp.UF = Texto(veiculo, "UF");
    }
    if (!ContemSemCaixa(t, "VOLUMES")) return;
    TVolCollectionItem& vol = transp.Vol.Add();
    vol.qVol = Inteiro(t, "Quantidade");
    vol.esp = Texto(t, "Espécie"_cp);
    vol.marca = Texto(t, "Marca");
    vol.nVol = Texto(t, "Numeração"_cp);
    vol.pesoL = Numero(t, "Peso Líquido"_cp);
    vol.pesoB = Numero(t, "Peso Bruto");
  }

  // A table read field by field from `desde` characters after the heading and
  // then past its last column heading: whatever follows the table in the text
  // is read as more rows.
  static std::string_view CorpoDaTabela(Trecho t, std::size_t cabecalho, std::size_t desde,
                                        std::string_view ultimaColuna) {
    const Trecho tabela = t.Sub(cabecalho + desde);
    const std::size_t p = BuscarSemCaixa(tabela, ultimaColuna);
    // Without that column heading the cells start as far in from the table's start.
    return tabela.Sub((p == std::string_view::npos ? 0 : p) + kColunaAtePrimeiraCelula).texto;
  }

  // Reads the rows of `colunas` fields each from `campos`, handing each to
  // `ler`, up to the first row whose fields are all blank or the end of the
  // text; at most kMaximoLinhasTabela rows, and an alert naming `grupo` counts
  // the rows left out.
  template <std::size_t colunas, class Ler>
  void LerLinhasDaTabela(std::string_view campos, std::string_view grupo, std::string_view tabela, Ler ler) {
    int linhas = 0;
    do {
      std::array<std::string_view, colunas> linha;
      bool vazia = true;
      for (std::string_view& campo : linha) {
        campo = ProximoCampo(campos);
        PularCampo(campos);
        vazia = vazia && Aparar(campo).empty();
      }
      if (vazia) break;
      if (linhas++ < kMaximoLinhasTabela) ler(linha);
    } while (campos.size() > 4);
    if (linhas > kMaximoLinhasTabela)
      alertas_.push_back(std::string(grupo) + ": a tabela de " + std::string(tabela) + " tem " +
                         std::to_string(linhas) + " linhas; as " + std::to_string(linhas - kMaximoLinhasTabela) +
                         std::string(" além do limite de "_cp) + std::to_string(kMaximoLinhasTabela) +
                         " foram deixadas de fora.");
  }

  void LerCobranca(Trecho t) {
    TCobr& cobr = nfe_.Cobr;
    cobr.Fat.nFat = Texto(t, "Número"_cp);
    cobr.Fat.vOrig = Numero(t, "Valor Original");
    cobr.Fat.vDesc = Numero(t, "Valor Desconto");
    cobr.Fat.vLiq = Numero(t, "Valor Líquido"_cp);
    const std::size_t duplicatas = BuscarSemCaixa(t, "DUPLICATAS");
    if (duplicatas == std::string_view::npos) return;
    LerLinhasDaTabela<3>(CorpoDaTabela(t, duplicatas, kTituloDuplicatas, "VALOR"), "dup", "duplicatas",
                         [&](const auto& linha) {
                           TDupCollectionItem& dup = cobr.Dup.Add();
                           dup.nDup = std::string(linha[0]);
                           dup.dVenc = LerData(linha[1]);
                           dup.vDup = LerMoeda(linha[2], "Valor");
                         });
  }

  void LerInformacoes(Trecho t) {
    nfe_.InfAdic.infAdFisco = LinhaApos(t, "INFORMAÇÕES COMPLEMENTARES DE INTERESSE DO FISCO"_cp);
    nfe_.InfAdic.infCpl = LinhaApos(t, "INFORMAÇÕES COMPLEMENTARES DE INTERESSE DO CONTRIBUINTE"_cp);
  }

  // The one line that follows the heading's line (past the separator and one
  // more character); empty when the heading is absent or no separator follows.
  static std::string LinhaApos(Trecho t, std::string_view cabecalho) {
    const std::size_t p = BuscarSemCaixa(t, cabecalho);
    if (p == std::string_view::npos) return {};
    const std::string_view linha = t.Sub(p + cabecalho.size() + kSeparadorLinha.size() + 1).texto;
    const std::size_t fim = linha.find(kSeparadorLinha);
    return fim == std::string_view::npos ? std::string() : std::string(linha.substr(0, fim));
  }

  void LerObservacoes(Trecho t) {
    static constexpr std::string_view kCabecalho = "OBSERVAÇÕES DO CONTRIBUINTE"_cp;
    const std::size_t p = BuscarSemCaixa(t, kCabecalho);
    if (p == std::string_view::npos) return;
    LerLinhasDaTabela<2>(CorpoDaTabela(t, p, kCabecalho.size() + kSeparadorLinha.size(), "TEXTO"), "obsCont",
                         "observações do contribuinte"_cp, [&](const auto& linha) {
                           TobsContCollectionItem& obs = nfe_.InfAdic.obsCont.Add();
                           obs.xCampo = std::string(linha[0]);
                           obs.xTexto = std::string(linha[1]);
                         });
  }

 public:
  std::vector<std::string> alertas_;  // the conversion's own alerts

 private:
  TextoDobrado pagina_;
  TNFe& nfe_;
  std::array<Trecho, kTitulos> aPartirDe_;
  std::string versao_;
};

}  // namespace

bool EhPaginaDeResultado(std::string_view paginaTexto) {
  // The headings the reading cuts at: a page cut short still holds some of them.
  for (std::string_view rotulo :
       {"Chave de acesso"_cp, "Dados da NF-e"_cp, "Dados do Emitente"_cp, "Dados do destinatário"_cp,
        "Dados dos Produtos e Serviços"_cp, "Dados do Transporte"_cp, "Dados de Cobrança"_cp,
        "Dados de Nota Fiscal Avulsa"_cp, "NF-e INEXISTENTE na base nacional"_cp})
    if (ContemSemCaixa(paginaTexto, rotulo)) return true;
  return false;
}

bool LerPaginaNFe(std::string_view paginaTexto, TNFe& nfe, std::vector<std::string>* alertas) {
  LeitorPagina leitor(paginaTexto, nfe);
  const bool encontrada = leitor.Ler();
  if (alertas) *alertas = std::move(leitor.alertas_);
  return encontrada;
}

std::string GerarXMLNFe(TNFe& nfe, std::vector<std::string>* alertas) {
  TNFeW escritor(nfe);
  escritor.GerarDocumento();
  if (alertas) *alertas = escritor.Gerador().ListaDeAlertas();
  return escritor.Gerador().ExtrairArquivoFormatoXML();
}

TConversaoPendente PrepararConversaoNFe(std::string_view paginaTexto, std::string_view diretorioSaida, bool salvarTXT) {
  TConversaoPendente conversao;
  TResultadoConversao& resultado = conversao.Resultado;
  TNFe nfe;
  std::vector<std::string> alertasDaPagina;
  if (!LerPaginaNFe(paginaTexto, nfe, &alertasDaPagina)) return conversao;
  resultado.Encontrada = true;
  TNFeW escritor(nfe);
  escritor.Opcoes().GerarTXTSimultaneamente = salvarTXT;
  escritor.GerarDocumento();
  const std::string& id = nfe.infNFe.ID;
  // The directory exactly as given: blanks are part of a path.
  const std::string nome = id.substr(id.size() > 44 ? id.size() - 44 : 0) + "-nfe.xml";
  resultado.Caminho = (std::filesystem::path(diretorioSaida) / nome).string();
  if (salvarTXT) resultado.CaminhoTXT = resultado.Caminho.substr(0, resultado.Caminho.size() - 4) + ".txt";
  resultado.Alertas = std::move(alertasDaPagina);
  const std::vector<std::string> doEscritor = escritor.Gerador().ListaDeAlertas();
  resultado.Alertas.insert(resultado.Alertas.end(), doEscritor.begin(), doEscritor.end());
  resultado.AlertasNaoListados = escritor.Gerador().AlertasNaoGuardados();
  conversao.Gerador = std::move(escritor.Gerador());
  return conversao;
}

void SalvarConversaoNFe(TConversaoPendente& conversao) {
  TResultadoConversao& resultado = conversao.Resultado;
  if (!resultado.Encontrada) return;
  resultado.PastaGravada = true;
  // Windows-1252, as the TXT form is read; first, so the XML means both were saved.
  if (!resultado.CaminhoTXT.empty())
    resultado.PastaGravada = conversao.Gerador.SalvarArquivo(resultado.CaminhoTXT, true);
  resultado.PastaGravada = conversao.Gerador.SalvarArquivo(resultado.Caminho) && resultado.PastaGravada;
}

TResultadoConversao ConverterPaginaNFe(std::string_view paginaTexto, std::string_view diretorioSaida, bool salvarTXT) {
  TConversaoPendente conversao = PrepararConversaoNFe(paginaTexto, diretorioSaida, salvarTXT);
  SalvarConversaoNFe(conversao);
  return std::move(conversao.Resultado);
}
