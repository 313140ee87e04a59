#include "writer/kxnNFeW.h"

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "util/DecimalExato.h"
#include "util/ErroConversao.h"
#include "util/Win1252.h"
#include "writer/kxnLayoutTXT.h"

namespace {

constexpr std::string_view kNamespaceNFe = "http://www.portalfiscal.inf.br/nfe";
const std::string_view kConteudoInvalido = "Conteúdo inválido"_cp;
const std::string_view kNenhumValor = "Nenhum valor informado";

// Every occurrence replaced in one left-to-right pass.
std::string SemOcorrencias(std::string texto, std::string_view trecho) {
  std::string saida;
  std::size_t i = 0;
  for (std::size_t p; (p = texto.find(trecho, i)) != std::string::npos; i = p + trecho.size())
    saida.append(texto, i, p - i);
  saida.append(texto, i);
  return saida;
}

std::string Maiusculas(std::string texto) {
  for (char& c : texto)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return texto;
}

// Pickup and delivery places have the same fields; only IDs, tag and country differ.
template <class Local>
void MontarLocal(TNFeW& w, const Local& local, std::string_view tag, char letra, int cPais) {
  if (Trim(local.xLgr).empty()) return;
  TGerador& g = w.Gerador();
  const auto id = [letra](const char* resto) { return std::string(1, letra) + resto; };
  int cMun = local.cMun;
  std::string xMun = local.xMun, UF = local.UF;
  w.AjustarMunicipio(cMun, xMun, UF, cPais);

  g.EscreverGrupo(tag, id("01"), true);
  g.EscreverCNPJCPF(id("02"), id("02a"), local.CNPJCPF, cPais);
  g.EscreverCampo(fcTexto, id("03"), "xLgr", 2, 60, 1, local.xLgr, "Logradouro");
  g.EscreverCampo(fcTexto, id("04"), "nro", 1, 60, 1, CompletarNumeroEndereco(w.Opcoes().AjustarTagNro, local.nro),
                  "Número"_cp);
  g.EscreverCampo(fcTexto, id("05"), "xCpl", 1, 60, 0, local.xCpl, "Complemento (Endereço)"_cp);
  g.EscreverCampo(fcTexto, id("06"), "xBairro", 1, 60, 1, local.xBairro, "Bairro");
  g.EscreverCampo(fcInteiro, id("07"), "cMun", 1, 7, 1, cMun, "Código do Município"_cp);
  if (!ConferirCodigoMunicipio(cMun)) g.RegistrarAlerta(id("07"), "cMun", "Código do Município"_cp, kConteudoInvalido);
  g.EscreverCampo(fcTexto, id("08"), "xMun", 2, 60, 1, xMun, "Nome do Município"_cp);
  g.EscreverCampo(fcTexto, id("09"), "UF", 2, 2, 1, UF, "Sigla da UF");
  if (!ConferirSiglaUF(UF)) g.RegistrarAlerta(id("09"), "UF", "Sigla da UF", kConteudoInvalido);
  g.EscreverGrupo("/" + std::string(tag), "", true);
}

}  // namespace

TNFeW::TNFeW(TNFe& nfe) : NFe(nfe) {
  gerador_.Opcoes().TagsForaDoNivel = "|?xml version|NFe xmlns|infNFe versao|obsCont|obsFisco|";
}

double TNFeW::VersaoEscrita() const {
  const std::string texto = DecimalExato::DeDouble(NFe.infNFe.Versao()).Arredondado(2).Texto();
  double versao = 0;
  std::from_chars(texto.data(), texto.data() + texto.size(), versao);
  return versao;
}

bool TNFeW::GerarDocumento() {
  // Each generation starts afresh: alerts and open groups of an earlier one
  // would fail a corrected model.
  gerador_.Reiniciar();

  // 1. Key from the identification.
  const double versao = VersaoEscrita();
  const TIde& ide = NFe.Ide;
  std::string chave;
  bool composta = false;
  if (versao >= 2.00) {
    schema = TsPL006;
    const std::string codigo = TipoEmissaoParaCodigo(ide.tpEmis);
    int tpEmis = 0;
    const auto r = std::from_chars(codigo.data(), codigo.data() + codigo.size(), tpEmis);
    if (r.ec == std::errc() && r.ptr == codigo.data() + codigo.size() && !codigo.empty())
      composta = ComporChaveAcesso(chave, ide.cUF, ide.cNF, ide.modelo, ide.serie, ide.nNF, tpEmis, ide.dEmi,
                                   NFe.Emit.CNPJCPF);
  } else {
    schema = TsPL005c;
    composta = ComporChaveAcessoSemTipoEmissao(chave, ide.cUF, ide.cNF, ide.modelo, ide.serie, ide.nNF, ide.dEmi,
                                               NFe.Emit.CNPJCPF);
  }
  if (!composta) {
    gerador_.RegistrarAlerta("A01", "infNFe", "Chave da NFe", "Erro ao gerar a chave da NFe!");
    chave.clear();
  }

  // 2. Id: a given one wins over the composed key.
  const std::string idDado = Trim(NFe.infNFe.ID);
  if (!idDado.empty())
    NFe.infNFe.ID = "NFe" + SemOcorrencias(Maiusculas(idDado), "NFE");
  else
    NFe.infNFe.ID = chave;
  if (NFe.infNFe.ID.empty())
    throw ErroConversao("Id da NF-e: '' " +
                        std::string("não foi informado e a chave de acesso não pôde ser composta."_cp));

  // 3. Check digit and numeric code come from the Id.
  NFe.Ide.cDV = UltimoDigito(NFe.infNFe.ID);
  NFe.Ide.cNF = CodigoNumericoDaChave(NFe.infNFe.ID, versao);

  // 4-5. The TXT layout of the document's version, or none.
  gerador_.CarregarLayoutTXT(opcoes_.GerarTXTSimultaneamente ? LeiauteTXT(VersaoDoLeiaute(schema, 8)) : std::string());

  const bool protocolo = !NFe.procNFe.nProt.empty();
  if (protocolo) {
    gerador_.EscreverGrupo("?xml version=\"1.0\" encoding=\"UTF-8\"?", "", false);
    gerador_.EscreverGrupo("nfeProc versao=\"2.00\" xmlns=\"" + std::string(kNamespaceNFe) + "\"", "", true);
  }
  gerador_.EscreverGrupo("NFe xmlns=\"" + std::string(kNamespaceNFe) + "\"", "", true);
  gerador_.EscreverGrupo("infNFe " + NFe.infNFe.VersaoStr() + " Id=\"" + gerador_.PrepararTexto(NFe.infNFe.ID) + "\"",
                         "", true);
  MontarInfNFe();
  gerador_.EscreverGrupo("/infNFe", "", true);

  const TSignature& s = NFe.signature;
  const bool nenhum = s.DigestValue.empty() && s.SignatureValue.empty() && s.X509Certificate.empty();
  const bool todos = !s.DigestValue.empty() && !s.SignatureValue.empty() && !s.X509Certificate.empty();
  bool assinar = false;
  switch (opcoes_.GerarTagAssinatura) {
    case taSempre:
      assinar = true;
      break;
    case taNunca:
      assinar = false;
      break;
    case taSomenteSeAssinada:
      assinar = todos;
      break;
    case taSomenteParaNaoAssinada:
      assinar = nenhum;
      break;
  }
  if (assinar) {
    NFe.signature.URI = ExtrairDigitos(NFe.infNFe.ID);
    assinatura_.Gerador.Opcoes().IdentarXML = gerador_.Opcoes().IdentarXML;
    assinatura_.MontarSignature(NFe.signature);  // its alerts stay in its own writer
    gerador_.EscreverTexto(assinatura_.Gerador.ArquivoFormatoXML());
  }

  gerador_.EscreverGrupo("/NFe", "", true);
  if (protocolo) {
    gerador_.EscreverTexto(TextoProtocolo());
    gerador_.EscreverGrupo("/nfeProc", "", true);
  }
  gerador_.ConcluirTXT(NFe.infNFe.ID);
  return gerador_.Alertas().empty();
}

std::string TNFeW::TextoProtocolo() const {
  const TProcNFe& p = NFe.procNFe;
  std::string t;
  t += "<protNFe versao=\"2.00\"><infProt><tpAmb>";
  t += TipoAmbienteParaCodigo(p.tpAmb);
  t += "</tpAmb><verAplic>";
  t += gerador_.PrepararTexto(p.verAplic);
  t += "</verAplic><chNFe>";
  t += gerador_.PrepararTexto(p.chNFe);
  t += "</chNFe><dhRecbto>";
  t += FormatarDataHora(p.dhRecbto);
  t += "</dhRecbto><nProt>";
  t += gerador_.PrepararTexto(p.nProt);
  t += "</nProt><digVal>";
  t += gerador_.PrepararTexto(p.digVal);
  t += "</digVal><cStat>";
  t += std::to_string(p.cStat);
  t += "</cStat><xMotivo>";
  t += gerador_.PrepararTexto(p.xMotivo);
  t += "</xMotivo></infProt></protNFe>";
  return t;
}

void TNFeW::MontarInfNFe() {
  MontarIde();
  MontarEmit();
  MontarAvulsa();
  MontarDest();
  MontarRetirada();
  MontarEntrega();
  MontarItens();
  MontarTotal();
  MontarTransp();
  MontarCobr();
  MontarInfAdic();
  MontarExporta();
  MontarCompra();
  MontarCana();
}

void TNFeW::MontarIde() {
  TGerador& g = gerador_;
  const TIde& ide = NFe.Ide;
  const double versao = VersaoEscrita();
  g.EscreverGrupo("ide", "B01", true);
  g.EscreverCampo(fcInteiro, "B02", "cUF", 2, 2, 1, ide.cUF, "Código do UF (Unidade da Federação)"_cp);
  if (!ConferirCodigoUF(ide.cUF))
    g.RegistrarAlerta("B02", "cUF", "Código do UF (Unidade da Federação)"_cp, kConteudoInvalido);
  const int digitosCNF = versao >= 2.00 ? 8 : 9;
  g.EscreverCampo(fcTexto, "B03", "cNF", digitosCNF, digitosCNF, 1,
                  NumeroComZeros(CodigoNumericoDaChave(NFe.infNFe.ID, versao), digitosCNF),
                  "Número da Nota Fiscal Eletrônica"_cp);
  g.EscreverCampo(fcTexto, "B04", "natOp", 1, 60, 1, ide.natOp, "Descrição da Natureza da Operação"_cp);
  g.EscreverCampo(fcTexto, "B05", "indPag", 1, 1, 1, IndicadorPagamentoParaCodigo(ide.indPag),
                  "Indicador da forma de pagamento");
  g.EscreverCampo(fcInteiro, "B06", "mod", 2, 2, 1, ide.modelo, "Modelo");
  g.EscreverCampo(fcInteiro, "B07", "serie", 1, 3, 1, ide.serie, "Série do Documento Fiscal"_cp);
  g.EscreverCampo(fcInteiro, "B08", "nNF", 1, 9, 1, ide.nNF, "Número do Documento Fiscal"_cp);
  g.EscreverCampo(fcData, "B09", "dEmi", 10, 10, 1, ValorData(ide.dEmi), "Data de emissão"_cp);
  g.EscreverCampo(fcData, "B10", "dSaiEnt", 10, 10, 0, ValorData(ide.dSaiEnt),
                  "Data de saída ou entrada da mercadoria/produto"_cp);
  g.EscreverCampo(fcHora, "B10a", "hSaiEnt", 8, 8, 0, ValorData(ide.hSaiEnt),
                  "Hora de saída ou entrada da mercadoria/produto"_cp);
  g.EscreverCampo(fcTexto, "B11", "tpNF", 1, 1, 1, TipoNFeParaCodigo(ide.tpNF), "Tipo do Documento Fiscal");
  g.EscreverCampo(fcInteiro, "B12", "cMunFG", 7, 7, 1, ide.cMunFG, "Código do Município FG"_cp);
  if (!ConferirCodigoMunicipio(ide.cMunFG))
    g.RegistrarAlerta("B12", "cMunFG", "Código do Município FG"_cp, kConteudoInvalido);
  MontarNFref();
  g.DefinirIDNivel("B01");
  g.EscreverCampo(fcTexto, "B21", "tpImp", 1, 1, 1, TipoImpressaoParaCodigo(ide.tpImp),
                  "Formato de Impressão do DANFE"_cp);
  g.EscreverCampo(fcTexto, "B22", "tpEmis", 1, 1, 1, TipoEmissaoParaCodigo(ide.tpEmis), "Forma de Emissão da NF-e"_cp);
  g.EscreverCampo(fcInteiro, "B23", "cDV", 1, 1, 1, ide.cDV, "Digito Verificador");
  g.EscreverCampo(fcTexto, "B24", "tpAmb", 1, 1, 1, TipoAmbienteParaCodigo(ide.tpAmb), "Identificação do Ambiente"_cp);
  g.EscreverCampo(fcTexto, "B25", "finNFe", 1, 1, 1, FinalidadeNFeParaCodigo(ide.finNFe),
                  "Finalidade de emissão da NFe"_cp);
  g.EscreverCampo(fcTexto, "B26", "procEmi", 1, 1, 1, ProcessoEmissaoParaCodigo(ide.procEmi),
                  "Processo de emissão da NF-e"_cp);
  g.EscreverCampo(fcTexto, "B27", "verProc", 1, 20, 1, ide.verProc, "Versão do Processo de emissão da NF-e"_cp);
  if (ide.dhCont > 0)
    g.EscreverCampo(fcTexto, "B28", "dhCont", 19, 19, 0, FormatarDataHora(ide.dhCont),
                    "Data e Hora de entrada em contingencia");
  g.EscreverCampo(fcTexto, "B29", "xJust", 1, 256, 0, ide.xJust, "Justificativa de entrada em contingencia");
  g.EscreverGrupo("/ide", "", true);
}

void TNFeW::MontarNFref() {
  TGerador& g = gerador_;
  const std::string_view descUF = "Código do UF (Unidade da Federação)"_cp;
  const std::string_view descAAMM = "Ano e Mês"_cp;
  const std::string_view periodoInvalido = "Periodo inválido"_cp;
  for (int i = 0; i < NFe.Ide.NFref.Count(); ++i) {
    const TNFrefCollectionItem& ref = NFe.Ide.NFref.Items(i);
    g.EscreverGrupo("NFref", "B12a", true);
    // An empty reference is no reference: the group needs one of the documents.
    if (ref.refNFe.empty() && ref.RefNF.nNF <= 0 && ref.RefNFP.nNF <= 0 && ref.refCTe.empty() &&
        ref.RefECF.nCOO.empty())
      g.RegistrarAlerta("B12a", "NFref", "Grupo de informações da NF referenciada"_cp, kNenhumValor);

    if (!ref.refNFe.empty()) {
      const std::string digitos = ExtrairDigitos(ref.refNFe);
      g.EscreverCampo(fcNumerico, "B13", "refNFe", 44, 44, 1, digitos, "Chave de acesso das NF-e referenciadas");
      if (!ConferirChaveAcesso("NFe" + digitos))
        g.RegistrarAlerta("B13", "refNFe", "Chave de acesso das NF-e referenciadas", kConteudoInvalido);
    }

    if (ref.RefNF.nNF > 0) {
      const TRefNF& nf = ref.RefNF;
      g.EscreverGrupo("refNF", "B14", true);
      g.EscreverCampo(fcInteiro, "B15", "cUF", 2, 2, 1, nf.cUF, descUF);
      if (!ConferirCodigoUF(nf.cUF)) g.RegistrarAlerta("B15", "cUF", descUF, kConteudoInvalido);
      g.EscreverCampo(fcNumerico, "B16", "AAMM", 4, 4, 1, nf.AAMM, descAAMM);
      if (!ConferirAnoMes(nf.AAMM)) g.RegistrarAlerta("B16", "AAMM", descAAMM, periodoInvalido);
      g.EscreverCNPJCPF("B17", "B17", nf.CNPJ, 1058);
      g.EscreverCampo(fcInteiro, "B18", "mod", 2, 2, 1, nf.modelo, "Modelo");
      if (!ConferirModeloNF(nf.modelo)) g.RegistrarAlerta("B18", "mod", "Modelo", "Modelo de documento inválido"_cp);
      g.EscreverCampo(fcInteiro, "B19", "serie", 1, 3, 1, nf.serie, "Série do Documento Fiscal"_cp);
      g.EscreverCampo(fcInteiro, "B20", "nNF", 1, 9, 1, nf.nNF, "Número do Documento Fiscal"_cp);
      g.EscreverGrupo("/refNF", "", true);
    }

    if (ref.RefNFP.nNF > 0) {
      const TRefNFP& nfp = ref.RefNFP;
      g.EscreverGrupo("refNFP", "B20a", true);
      g.EscreverCampo(fcInteiro, "B20b", "cUF", 2, 2, 1, nfp.cUF, descUF);
      if (!ConferirCodigoUF(nfp.cUF)) g.RegistrarAlerta("B20b", "cUF", descUF, kConteudoInvalido);
      g.EscreverCampo(fcNumerico, "B20c", "AAMM", 4, 4, 1, nfp.AAMM, descAAMM);
      if (!ConferirAnoMes(nfp.AAMM)) g.RegistrarAlerta("B20c", "AAMM", descAAMM, periodoInvalido);
      g.EscreverCNPJCPF("B20d", "B20e", nfp.CNPJCPF, NFe.Emit.EnderEmit.cPais);
      g.EscreverCampo(fcTexto, "B20f", "IE", 1, 14, 1, nfp.IE, "Inscrição Estadual"_cp);
      g.EscreverCampo(fcInteiro, "B20f", "mod", 2, 2, 1, nfp.modelo, "Modelo");  // text read as an integer
      g.EscreverCampo(fcInteiro, "B20g", "serie", 1, 3, 1, nfp.serie, "Série do Documento Fiscal"_cp);
      g.EscreverCampo(fcInteiro, "B20h", "nNF", 1, 9, 1, nfp.nNF, "Número do Documento Fiscal"_cp);
      g.EscreverGrupo("/refNFP", "", true);
    }

    if (!ref.refCTe.empty()) {
      const std::string digitos = ExtrairDigitos(ref.refCTe);
      g.EscreverCampo(fcNumerico, "B20i", "refCTe", 44, 44, 1, digitos, "Chave de acesso do CT-e referenciado");
      if (!ConferirChaveAcesso("NFe" + digitos))
        g.RegistrarAlerta("B20i", "refCTe", "Chave de acesso do CT-e referenciado", kConteudoInvalido);
    }

    if (!ref.RefECF.nCOO.empty()) {
      const TRefECF& ecf = ref.RefECF;
      g.EscreverGrupo("refECF", "B20j", true);
      g.EscreverCampo(fcTexto, "B20k", "mod", 2, 2, 1, ECFModRefParaCodigo(ecf.modelo), "Modelo");
      g.EscreverCampo(fcInteiro, "B20l", "nECF", 3, 3, 1, ecf.nECF, "Número de ordem seqüencial do ECF"_cp);
      g.EscreverCampo(fcInteiro, "B20m", "nCOO", 6, 6, 1, ecf.nCOO, "Número do Contador de Ordem de Operação - COO"_cp);
      g.EscreverGrupo("/refECF", "", true);
    }

    g.EscreverGrupo("/NFref", "", true);
  }
}

// ---------------------------------------------------------------- parties

void TNFeW::AjustarMunicipio(int& cMun, std::string& xMun, std::string& UF, int cPais) const {
  if (cPais != 1058) {
    cMun = CodigoMunicipioExterior;
    xMun = NomeMunicipioExterior;
    UF = SiglaUFExterior;
  }
  xMun = NormatizarMunicipio(xMun, UF, cMun);
}

std::string TNFeW::NormatizarMunicipio(const std::string& xMun, const std::string& UF, int cMun) const {
  if (!opcoes_.NormatizarMunicipios || cMun == CodigoMunicipioExterior) return xMun;
  const std::string nome = opcoes_.PathArquivoMunicipios + "MunIBGE-UF" + std::to_string(CodigoPorSiglaUF(UF)) + ".txt";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(nome, ec)) return xMun;
  std::ifstream arquivo(nome, std::ios::binary);  // Windows-1252 text, read as bytes
  if (!arquivo)
    throw std::system_error(errno ? errno : EIO, std::generic_category(), "cannot read file '" + nome + "'");
  const std::string texto(std::istreambuf_iterator<char>(arquivo), {});
  if (arquivo.bad()) throw std::system_error(EIO, std::generic_category(), "cannot read file '" + nome + "'");
  const std::string codigo = std::to_string(cMun);
  // CR, LF or CR LF end a line: a file saved with bare CRs must not read as one long line.
  std::size_t inicio = 0;
  while (inicio < texto.size()) {
    std::size_t fim = texto.find_first_of("\r\n", inicio);
    if (fim == std::string::npos) fim = texto.size();
    std::string linha = texto.substr(inicio, fim - inicio);
    inicio = fim + 1;
    const auto p = linha.find(codigo);
    if (p == std::string::npos) continue;
    linha.erase(p, codigo.size());
    std::string candidato = Trim(linha);
    if (!candidato.empty()) return candidato;
  }
  return xMun;
}

void TNFeW::MontarEmit() {
  TGerador& g = gerador_;
  const TEmit& emit = NFe.Emit;
  g.EscreverGrupo("emit", "C01", true);
  g.EscreverCNPJCPF("C02", "C02a", emit.CNPJCPF, emit.EnderEmit.cPais);
  g.EscreverCampo(fcTexto, "C03", "xNome", 2, 60, 1, emit.xNome, "Razão Social ou Nome"_cp);
  g.EscreverCampo(fcTexto, "C04", "xFant", 1, 60, 0, emit.xFant, "Nome de Fantasia");
  MontarEnderEmit();
  g.DefinirIDNivel("C01");
  const std::string_view descIE = "Inscrição Estadual"_cp;
  g.EscreverCampo(fcTexto, "C17", "IE", 0, 14, 1, ExtrairDigitos(emit.IE), descIE);
  if (opcoes_.ValidarInscricoes && NFe.Ide.procEmi != peAvulsaFisco) {
    if (emit.IE.empty())
      g.RegistrarAlerta("C17", "IE", descIE, kNenhumValor);
    else if (!ConferirInscricaoEstadual(emit.IE, SiglaPorCodigoUF(NFe.Ide.cUF), true))
      g.RegistrarAlerta("C17", "IE", descIE, kConteudoInvalido);
  }
  g.EscreverCampo(fcTexto, "C18", "IEST", 2, 14, 0, emit.IEST, "Inscrição Estadual do Substituto tributário"_cp);
  g.EscreverCampo(fcTexto, "C19", "IM", 1, 15, 0, emit.IM, "Inscrição Municipal"_cp);
  if (!emit.IM.empty())
    g.EscreverCampo(fcTexto, "C20", "CNAE", 7, 7, 1, emit.CNAE, "Classificação Nacional de Atividades Econômicas"_cp);
  if (Leiaute200())
    g.EscreverCampo(fcTexto, "C21", "CRT", 1, 1, 1, CRTParaCodigo(emit.CRT), "Código de Regime Tributário"_cp);
  g.EscreverGrupo("/emit", "", true);
}

void TNFeW::MontarEnderEmit() {
  TGerador& g = gerador_;
  const TenderEmit& e = NFe.Emit.EnderEmit;
  int cMun = e.cMun;
  std::string xMun = e.xMun, UF = e.UF;
  AjustarMunicipio(cMun, xMun, UF, e.cPais);
  g.EscreverGrupo("enderEmit", "C05", true);
  g.EscreverCampo(fcTexto, "C06", "xLgr", 2, 60, 1, e.xLgr, "Logradouro");
  g.EscreverCampo(fcTexto, "C07", "nro", 1, 60, 1, CompletarNumeroEndereco(opcoes_.AjustarTagNro, e.nro), "Número"_cp);
  g.EscreverCampo(fcTexto, "C08", "xCpl", 1, 60, 0, e.xCpl, "Complemento (Endereço)"_cp);
  g.EscreverCampo(fcTexto, "C09", "xBairro", 2, 60, 1, e.xBairro, "Bairro");
  g.EscreverCampo(fcInteiro, "C10", "cMun", 1, 7, 1, cMun, "Código do Município"_cp);
  if (!ConferirCodigoMunicipio(e.cMun))  // the model's own code, also abroad
    g.RegistrarAlerta("C10", "cMun", "Código do Município"_cp, kConteudoInvalido);
  g.EscreverCampo(fcTexto, "C11", "xMun", 2, 60, 1, xMun, "Nome do Município"_cp);
  g.EscreverCampo(fcTexto, "C12", "UF", 2, 2, 1, UF, "Sigla da UF");
  if (!ConferirSiglaUF(UF)) g.RegistrarAlerta("C12", "UF", "Sigla da UF", kConteudoInvalido);
  g.EscreverCampo(fcInteiro, "C13", "CEP", 8, 8, 0, e.CEP, "CEP");
  g.EscreverCampo(fcInteiro, "C14", "cPais", 4, 4, 0, 1058, "Código do País"_cp);
  g.EscreverCampo(fcTexto, "C15", "xPais", 1, 60, 0, e.xPais, "Nome do País"_cp);
  g.EscreverCampo(fcTexto, "C16", "fone", 6, 14, 0, ExtrairDigitos(e.fone), "Telefone");
  g.EscreverGrupo("/enderEmit", "", true);
}

void TNFeW::MontarAvulsa() {
  const TAvulsa& a = NFe.Avulsa;
  if (Trim(a.CNPJ).empty()) return;
  TGerador& g = gerador_;
  g.EscreverGrupo("avulsa", "D01", true);
  g.EscreverCampo(fcTexto, "D02", "CNPJ", 14, 14, 1, a.CNPJ, "CNPJ(MF)");
  g.EscreverCampo(fcTexto, "D03", "xOrgao", 1, 60, 1, a.xOrgao, "Orgão emitente"_cp);
  g.EscreverCampo(fcTexto, "D04", "matr", 1, 60, 1, a.matr, "Matrícula do agente"_cp);
  g.EscreverCampo(fcTexto, "D05", "xAgente", 1, 60, 1, a.xAgente, "Nome do agente");
  g.EscreverCampo(fcTexto, "D06", "fone", 6, 14, 1, ExtrairDigitos(a.fone), "Telefone");
  g.EscreverCampo(fcTexto, "D07", "UF", 2, 2, 1, a.UF, "Sigla da UF");
  if (!ConferirSiglaUF(a.UF)) g.RegistrarAlerta("D07", "UF", "Sigla da UF", kConteudoInvalido);
  g.EscreverCampo(fcTexto, "D08", "nDAR", 1, 60, 1, a.nDAR, "Número do Documento Arrecadação de Receita"_cp);
  g.EscreverCampo(fcData, "D09", "dEmi", 10, 10, 1, ValorData(a.dEmi), "Data de emissão"_cp);
  g.EscreverCampo(fcDecimal2, "D10", "vDAR", 1, 15, 1, a.vDAR,
                  "Valor total constante no Documento de arrecadação de Receita");
  g.EscreverCampo(fcTexto, "D11", "repEmi", 1, 60, 1, a.repEmi, "Repartição Fiscal emitente"_cp);
  g.EscreverCampo(fcData, "D12", "dPag", 10, 10, 1, ValorData(a.dPag),
                  "Data de pagamento do Documento de Arrecadação"_cp);
  g.EscreverGrupo("/avulsa", "", true);
}

void TNFeW::MontarDest() {
  TGerador& g = gerador_;
  const TDest& d = NFe.Dest;
  const bool homologacao = NFe.Ide.tpAmb == taHomologacao;
  g.EscreverGrupo("dest", "E01", true);
  g.EscreverCNPJCPF("E02", "E03",
                    homologacao && d.EnderDest.UF != SiglaUFExterior ? std::string("99999999000191") : d.CNPJCPF,
                    d.EnderDest.cPais);
  g.EscreverCampo(fcTexto, "E04", "xNome", 2, 60, 1,
                  homologacao ? std::string("NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL") : d.xNome,
                  "Razão Social ou Nome"_cp);
  const std::string UF = MontarEnderDest();
  g.DefinirIDNivel("E01");
  const std::string_view descIE = "Inscrição Estadual"_cp;
  std::string ie;
  if (!homologacao) ie = d.IE == "ISENTO" ? d.IE : ExtrairDigitos(d.IE);
  g.EscreverCampo(fcTexto, "E17", "IE", 0, 14, 1, ie, descIE);
  if (opcoes_.ValidarInscricoes && !d.IE.empty() && d.IE != "ISENTO" && !ConferirInscricaoEstadual(d.IE, UF, true))
    g.RegistrarAlerta("E17", "IE", descIE, kConteudoInvalido);
  const std::string_view descISUF = "Inscrição na SUFRAMA"_cp;
  g.EscreverCampo(fcTexto, "E18", "ISUF", 8, 9, 0, d.ISUF, descISUF);
  if (opcoes_.ValidarInscricoes && !d.ISUF.empty() && !ConferirSUFRAMA(d.ISUF))
    g.RegistrarAlerta("E18", "ISUF", descISUF, kConteudoInvalido);
  g.EscreverCampo(fcTexto, "E19", "email", 1, 60, 0, d.Email, "Endereço de Email"_cp);
  g.EscreverGrupo("/dest", "", true);
}

std::string TNFeW::MontarEnderDest() {
  TGerador& g = gerador_;
  const TenderDest& e = NFe.Dest.EnderDest;
  int cMun = e.cMun;
  std::string xMun = e.xMun, UF = e.UF;
  AjustarMunicipio(cMun, xMun, UF, e.cPais);
  g.EscreverGrupo("enderDest", "E05", true);
  g.EscreverCampo(fcTexto, "E06", "xLgr", 2, 60, 1, e.xLgr, "Logradouro");
  g.EscreverCampo(fcTexto, "E07", "nro", 1, 60, 1, CompletarNumeroEndereco(opcoes_.AjustarTagNro, e.nro), "Número"_cp);
  g.EscreverCampo(fcTexto, "E08", "xCpl", 1, 60, 0, e.xCpl, "Complemento (Endereço)"_cp);
  g.EscreverCampo(fcTexto, "E09", "xBairro", 1, 60, 1, e.xBairro, "Bairro");
  g.EscreverCampo(fcInteiro, "E10", "cMun", 1, 7, 1, cMun, "Código do Município"_cp);
  if (!ConferirCodigoMunicipio(cMun)) g.RegistrarAlerta("E10", "cMun", "Código do Município"_cp, kConteudoInvalido);
  g.EscreverCampo(fcTexto, "E11", "xMun", 2, 60, 1, xMun, "Nome do Município"_cp);
  g.EscreverCampo(fcTexto, "E12", "UF", 2, 2, 1, UF, "Sigla da UF");
  if (!ConferirSiglaUF(UF)) g.RegistrarAlerta("E12", "UF", "Sigla da UF", kConteudoInvalido);
  g.EscreverCampo(fcInteiro, "E13", "CEP", 8, 8, 0, e.CEP, "CEP");
  // Padding to four digits would turn 91058 or -1058 into 1058: such codes
  // are written as they are.
  std::string cPais;
  if (e.cPais > 0 && e.cPais <= 9999)
    cPais = NumeroComZeros(e.cPais, 4);
  else if (e.cPais != 0)
    cPais = std::to_string(e.cPais);
  g.EscreverCampo(fcTexto, "E14", "cPais", 1, 4, 0, cPais, "Código do País"_cp);
  // The layout lists the country codes: any other one is reported, whatever its check digit.
  if (ConferirCodigoPais(e.cPais) != 1) g.RegistrarAlerta("E14", "cPais", "Código do País"_cp, kConteudoInvalido);
  g.EscreverCampo(fcTexto, "E15", "xPais", 2, 60, 0, e.xPais, "Nome do País"_cp);
  g.EscreverCampo(fcTexto, "E16", "fone", 6, 14, 0, ExtrairDigitos(e.fone), "Telefone");
  g.EscreverGrupo("/enderDest", "", true);
  return UF;
}

void TNFeW::MontarRetirada() { MontarLocal(*this, NFe.Retirada, "retirada", 'F', NFe.Emit.EnderEmit.cPais); }

void TNFeW::MontarEntrega() { MontarLocal(*this, NFe.Entrega, "entrega", 'G', NFe.Dest.EnderDest.cPais); }
