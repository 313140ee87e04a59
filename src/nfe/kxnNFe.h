#pragma once
// In-memory NF-e of layout 2.00: one plain struct per group of the layout, one
// TColecao per repeatable group. Every group and collection exists from the
// root's construction, so readers never test for presence; whether a group is
// written is decided by the writer from its values. Text is Windows-1252.
// Members are in the layout's order; copying any object copies its whole
// subtree, collection items included.

#include <string>
#include <string_view>

#include "nfe/Colecao.h"
#include "nfe/Currency.h"
#include "nfe/DataHora.h"
#include "nfe/kxnConversao.h"
#include "nfe/kxnProcNFe.h"

// Addresses abroad: used by the writer when a country code is not 1058.
inline constexpr int CodigoMunicipioExterior = 9999999;
inline constexpr std::string_view NomeMunicipioExterior = "EXTERIOR";
inline constexpr std::string_view SiglaUFExterior = "EX";

// ---------------------------------------------------------------- identification

struct TRefNF {
  int cUF = 0;
  std::string AAMM;
  std::string CNPJ;
  int modelo = 0;
  int serie = 0;
  int nNF = 0;
};

struct TRefNFP {
  int cUF = 0;
  std::string AAMM;
  std::string CNPJCPF;
  std::string IE;
  std::string modelo;  // text here, unlike TRefNF
  int serie = 0;
  int nNF = 0;
};

struct TRefECF {
  TkxnECFModRef modelo = ECFModRefVazio;
  std::string nECF;
  std::string nCOO;
};

struct TNFrefCollectionItem {
  std::string refNFe;
  std::string refCTe;
  TRefNF RefNF;
  TRefNFP RefNFP;
  TRefECF RefECF;
};
using TNFrefCollection = TColecao<TNFrefCollectionItem>;

struct TIde {
  int cUF = 0;
  int cNF = 0;
  std::string natOp;
  TkxnIndicadorPagamento indPag = ipVista;
  int modelo = 0;
  int serie = 0;
  int nNF = 0;
  TDateTime dEmi = 0;
  TDateTime dSaiEnt = 0;
  TDateTime hSaiEnt = 0;  // time of day only (the fraction)
  TkxnTipoNFe tpNF = tnEntrada;
  int cMunFG = 0;
  TNFrefCollection NFref;
  TRefNFP* refNFP = nullptr;  // not owned, never set, not written
  TkxnTipoImpressao tpImp = tiRetrato;
  TkxnTipoEmissao tpEmis = teNormal;
  int cDV = 0;
  TkxnTipoAmbiente tpAmb = taProducao;
  TkxnFinalidadeNFe finNFe = fnNormal;
  TkxnProcessoEmissao procEmi = peAplicativoContribuinte;
  std::string verProc;
  TDateTime dhCont = 0;
  std::string xJust;
};

// ---------------------------------------------------------------- parties

// The Brazilian defaults (1058, "BRASIL", "SEM NUMERO") belong to TNFe, not here.
struct TenderEmit {
  std::string xLgr;
  std::string nro;
  std::string xCpl;
  std::string xBairro;
  int cMun = 0;
  std::string xMun;
  std::string UF;
  int CEP = 0;
  int cPais = 0;
  std::string xPais;
  std::string fone;
};

struct TEmit {
  std::string CNPJCPF;
  std::string xNome;
  std::string xFant;
  TenderEmit EnderEmit;
  std::string IE;
  std::string IEST;
  std::string IM;
  std::string CNAE;
  TkxnCRT CRT = crtRegimeNormal;
};

struct TAvulsa {
  std::string CNPJ;
  std::string xOrgao;
  std::string matr;
  std::string xAgente;
  std::string fone;
  std::string UF;
  std::string nDAR;
  TDateTime dEmi = 0;
  Currency vDAR;
  std::string repEmi;
  TDateTime dPag = 0;
};

struct TenderDest {
  std::string xLgr;
  std::string nro;
  std::string xCpl;
  std::string xBairro;
  int cMun = 0;
  std::string xMun;
  std::string UF;
  int CEP = 0;
  int cPais = 0;
  std::string xPais;
  std::string fone;
};

struct TDest {
  std::string CNPJCPF;
  std::string xNome;
  TenderDest EnderDest;
  std::string IE;
  std::string ISUF;
  std::string Email;
};

struct TRetirada {
  std::string CNPJCPF;
  std::string xLgr;
  std::string nro;
  std::string xCpl;
  std::string xBairro;
  int cMun = 0;
  std::string xMun;
  std::string UF;
};

struct TEntrega {
  std::string CNPJCPF;
  std::string xLgr;
  std::string nro;
  std::string xCpl;
  std::string xBairro;
  int cMun = 0;
  std::string xMun;
  std::string UF;
};

// ---------------------------------------------------------------- items: product

struct TAdiCollectionItem {
  int nAdicao = 0;
  int nSeqAdic = 0;
  std::string cFabricante;
  Currency vDescDI;
};
using TAdiCollection = TColecao<TAdiCollectionItem>;

struct TDICollectionItem {
  std::string nDi;
  TDateTime dDi = 0;
  std::string xLocDesemb;
  std::string UFDesemb;
  TDateTime dDesemb = 0;
  std::string cExportador;
  TAdiCollection adi;
};
using TDICollection = TColecao<TDICollectionItem>;

struct TveicProd {
  TkxnTipoOperacao tpOP = toVendaConcessionaria;
  std::string chassi;
  std::string cCor;
  std::string xCor;
  std::string pot;
  std::string Cilin;
  std::string pesoL;
  std::string pesoB;
  std::string nSerie;
  std::string tpComb;
  // tpComb with its description ("01 - ALCOOL" for "1" or "01"); a code
  // outside 1..18 comes back unchanged.
  std::string CombDescricao() const;
  std::string nMotor;
  std::string CMT;
  std::string dist;
  int anoMod = 0;
  int anoFab = 0;
  std::string tpPint;
  int tpVeic = 0;
  int espVeic = 0;
  std::string VIN;
  TkxnCondicaoVeiculo condVeic = cvAcabado;
  std::string cMod;
  std::string cCorDENATRAN;
  int lota = 0;
  int tpRest = 0;
};

struct TmedCollectionItem {
  std::string nLote;
  Currency qLote;
  TDateTime dFab = 0;
  TDateTime dVal = 0;
  Currency vPMC;
};
using TmedCollection = TColecao<TmedCollectionItem>;

struct TarmaCollectionItem {
  TkxnTipoArma tpArma = taUsoPermitido;
  std::string nSerie;
  std::string nCano;
  std::string descr;
};
using TarmaCollection = TColecao<TarmaCollectionItem>;

struct TCIDE {
  Currency qBCProd;
  Currency vAliqProd;
  Currency vCIDE;
};

struct TICMSComb {
  Currency vBCICMS;
  Currency vICMS;
  Currency vBCICMSST;
  Currency vICMSST;
};

struct TICMSInter {
  Currency vBCICMSSTDest;
  Currency vICMSSTDest;
};

struct TICMSCons {
  Currency vBCICMSSTCons;
  Currency vICMSSTCons;
  std::string UFcons;
};

struct TComb {
  int cProdANP = 0;
  std::string CODIF;
  Currency qTemp;
  std::string UFcons;
  TCIDE CIDE;
  TICMSComb ICMS;
  TICMSInter ICMSInter;
  TICMSCons ICMSCons;
};

struct TProd {
  std::string cProd;
  int nItem = 0;
  std::string cEAN;
  std::string xProd;
  std::string NCM;
  std::string EXTIPI;
  std::string CFOP;
  std::string uCom;
  Currency qCom;
  double vUnCom = 0;
  Currency vProd;
  std::string cEANTrib;
  std::string uTrib;
  Currency qTrib;
  double vUnTrib = 0;
  Currency vFrete;
  Currency vSeg;
  Currency vDesc;
  Currency vOutro;
  TkxnIndicadorTotal IndTot = itSomaTotalNFe;
  TDICollection DI;
  std::string xPed;
  int nItemPed = 0;
  TveicProd veicProd;
  TmedCollection med;
  TarmaCollection arma;
  TComb comb;
};

// ---------------------------------------------------------------- items: taxes

// One struct for every ICMS variant; the writer picks the variant from CST,
// CSOSN and the emitter's CRT.
struct TICMS {
  TkxnOrigemMercadoria orig = oeNacional;
  TkxnCSTIcms CST = cst00;
  TkxnCSOSNIcms CSOSN = csosnVazio;
  TkxnDeterminacaoBaseIcms modBC = dbiMargemValorAgregado;
  Currency pRedBC;
  Currency vBC;
  Currency pICMS;
  Currency vICMS;
  TkxnDeterminacaoBaseIcmsST modBCST = dbisPrecoTabelado;
  Currency pMVAST;
  Currency pRedBCST;
  Currency vBCST;
  Currency pICMSST;
  Currency vICMSST;
  std::string UFST;
  Currency pBCOp;
  Currency vBCSTRet;
  Currency vICMSSTRet;
  TkxnMotivoDesoneracaoICMS motDesICMS = mdiTaxi;
  Currency pCredSN;
  Currency vCredICMSSN;
  Currency vBCSTDest;
  Currency vICMSSTDest;
};

struct TIPI {
  std::string clEnq;
  std::string CNPJProd;
  std::string cSelo;
  int qSelo = 0;
  std::string cEnq;
  TkxnCstIpi CST = ipi00;
  Currency vBC;
  Currency qUnid;
  Currency vUnid;
  Currency pIPI;
  Currency vIPI;
};

struct TII {
  Currency vBc;
  Currency vDespAdu;
  Currency vII;
  Currency vIOF;
};

struct TPIS {
  TkxnCstPis CST = pis01;
  Currency vBC;
  Currency pPIS;
  Currency vPIS;
  Currency qBCProd;
  Currency vAliqProd;
};

struct TPISST {
  Currency vBc;
  Currency pPis;
  Currency qBCProd;
  Currency vAliqProd;
  Currency vPIS;
};

struct TCOFINS {
  TkxnCstCofins CST = cof01;
  Currency vBC;
  Currency pCOFINS;
  Currency vCOFINS;
  Currency vBCProd;  // neither filled nor written
  Currency vAliqProd;
  Currency qBCProd;
};

struct TCOFINSST {
  Currency vBC;
  Currency pCOFINS;
  Currency qBCProd;
  Currency vAliqProd;
  Currency vCOFINS;
};

struct TISSQN {
  Currency vBC;
  Currency vAliq;
  Currency vISSQN;
  int cMunFG = 0;
  int cListServ = 0;
  TkxnISSQNcSitTrib cSitTrib = ISSQNcSitTribVazio;
};

struct TImposto {
  TICMS ICMS;
  TIPI IPI;
  TII II;
  TPIS PIS;
  TPISST PISST;
  TCOFINS COFINS;
  TCOFINSST COFINSST;
  TISSQN ISSQN;
};

struct TDetCollectionItem {
  TProd Prod;
  TImposto Imposto;
  std::string infAdProd;
};
using TDetCollection = TColecao<TDetCollectionItem>;

// ---------------------------------------------------------------- totals

struct TICMSTot {
  Currency vBC;
  Currency vICMS;
  Currency vBCST;
  Currency vST;
  Currency vProd;
  Currency vFrete;
  Currency vSeg;
  Currency vDesc;
  Currency vII;
  Currency vIPI;
  Currency vPIS;
  Currency vCOFINS;
  Currency vOutro;
  Currency vNF;
};

struct TISSQNtot {
  Currency vServ;
  Currency vBC;
  Currency vISS;
  Currency vPIS;
  Currency vCOFINS;
};

struct TretTrib {
  Currency vRetPIS;
  Currency vRetCOFINS;
  Currency vRetCSLL;
  Currency vBCIRRF;
  Currency vIRRF;
  Currency vBCRetPrev;
  Currency vRetPrev;
};

// The totals shown on the page, stored as read; nothing is summed from the items.
struct TTotal {
  TICMSTot ICMSTot;
  TISSQNtot ISSQNtot;
  TretTrib retTrib;
};

// ---------------------------------------------------------------- transport

struct TTransporta {
  std::string CNPJCPF;
  std::string xNome;
  std::string IE;
  std::string xEnder;
  std::string xMun;
  std::string UF;
};

struct TretTransp {
  Currency vServ;
  Currency vBCRet;
  Currency pICMSRet;
  Currency vICMSRet;
  std::string CFOP;
  int cMunFG = 0;
};

struct TveicTransp {
  std::string placa;
  std::string UF;
  std::string RNTC;
};

struct TreboqueCollectionItem {
  std::string placa;
  std::string UF;
  std::string RNTC;
};
using TreboqueCollection = TColecao<TreboqueCollectionItem>;

struct TLacresCollectionItem {
  std::string nLacre;
};
using TLacresCollection = TColecao<TLacresCollectionItem>;

struct TVolCollectionItem {
  int qVol = 0;
  std::string esp;
  std::string marca;
  std::string nVol;
  Currency pesoL;
  Currency pesoB;
  TLacresCollection Lacres;
};
using TVolCollection = TColecao<TVolCollectionItem>;

struct TTransp {
  TkxnModalidadeFrete modFrete = mfContaEmitente;
  TTransporta Transporta;
  TretTransp retTransp;
  TveicTransp veicTransp;
  TVolCollection Vol;
  TreboqueCollection Reboque;
  std::string vagao;
  std::string balsa;
};

// ---------------------------------------------------------------- billing

struct TFat {
  std::string nFat;
  Currency vOrig;
  Currency vDesc;
  Currency vLiq;
};

struct TDupCollectionItem {
  std::string nDup;
  TDateTime dVenc = 0;
  Currency vDup;
};
using TDupCollection = TColecao<TDupCollectionItem>;

struct TCobr {
  TFat Fat;
  TDupCollection Dup;
};

// ---------------------------------------------------------------- additional information

struct TobsContCollectionItem {
  std::string xCampo;  // written as the xCampo attribute
  std::string xTexto;
};
using TobsContCollection = TColecao<TobsContCollectionItem>;

struct TobsFiscoCollectionItem {
  std::string xCampo;  // written as the xCampo attribute
  std::string xTexto;
};
using TobsFiscoCollection = TColecao<TobsFiscoCollectionItem>;

struct TprocRefCollectionItem {
  std::string nProc;
  TkxnIndicadorProcesso indProc = ipSEFAZ;
};
using TprocRefCollection = TColecao<TprocRefCollectionItem>;

struct TInfAdic {
  std::string infAdFisco;
  std::string infCpl;
  TobsContCollection obsCont;
  TobsFiscoCollection obsFisco;
  TprocRefCollection procRef;
};

// ---------------------------------------------------------------- export, purchase, sugar cane

struct TExporta {
  std::string UFembarq;
  std::string xLocEmbarq;
};

struct TCompra {
  std::string xNEmp;
  std::string xPed;
  std::string xCont;
};

struct TForDiaCollectionItem {
  int dia = 0;  // written as the dia attribute
  Currency qtde;
};
using TForDiaCollection = TColecao<TForDiaCollectionItem>;

struct TDeducCollectionItem {
  std::string xDed;
  Currency vDed;
};
using TDeducCollection = TColecao<TDeducCollectionItem>;

struct TCana {
  std::string safra;
  std::string ref;
  TForDiaCollection fordia;
  double qTotMes = 0;
  double qTotAnt = 0;
  double qTotGer = 0;
  TDeducCollection deduc;
  Currency vFor;
  Currency vTotDed;
  Currency vLiqFor;
};

// ---------------------------------------------------------------- root

struct TInfNFe {
  std::string ID;  // "NFe" + access key; the writer normalises or composes it

  // Layout version: an unset (0) or negative version reads as 2.0.
  double Versao() const { return versao_ > 0 ? versao_ : 2.0; }
  void SetVersao(double versao) { versao_ = versao; }
  // Version attribute of the infNFe start tag, from the stored version:
  // versao="1.10", or versao="2.00" when unset.
  std::string VersaoStr() const;

 private:
  double versao_ = 0;
};

// Signature data only; the Signature element and its own field writer live on
// the writer side, which depends on this model and not the other way round.
struct TSignature {
  std::string URI;  // key digits the Reference points to, as "#NFe" + URI
  std::string DigestValue;
  std::string SignatureValue;
  std::string X509Certificate;
};

struct TNFe {
  TNFe();

  TkxnSchema schema = TsPL005c;  // the writer keeps and reads its own schema
  TInfNFe infNFe;
  TIde Ide;
  TEmit Emit;
  TAvulsa Avulsa;
  TDest Dest;
  TRetirada Retirada;
  TEntrega Entrega;
  TDetCollection Det;
  TTotal Total;
  TTransp Transp;
  TCobr Cobr;
  TInfAdic InfAdic;
  TExporta exporta;
  TCompra compra;
  TCana cana;
  TSignature signature;
  TProcNFe procNFe;
};
