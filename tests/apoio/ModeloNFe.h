#pragma once
// Documents for the writer tests, filled with the values of real NF-e 2.00
// invoices (the samples beside the checkout in ../shared/nfe-samples): their
// identification, parties and items, with the lengths and accents they carry.

#include <string>
#include <string_view>

#include "nfe/kxnNFe.h"
#include "util/Win1252.h"

namespace modelo {

inline Currency Valor(std::string_view decimal) { return Currency::DeDecimal(decimal); }

// Identification and parties of a wholesale sale in Minas Gerais under the
// normal regime (nfephpser_nfe.xml); no items yet.
inline TNFe NFeRegimeNormal() {
  TNFe n;
  n.infNFe.ID = "NFe31141019592641000372550020009458071111021102";
  TIde& ide = n.Ide;
  ide.cUF = 31;
  ide.cNF = 11102110;
  ide.natOp = "VENDA ESTADUAL";
  ide.indPag = ipPrazo;
  ide.modelo = 55;
  ide.serie = 2;
  ide.nNF = 945807;
  ide.dEmi = CodificarDataHora(2014, 10, 21);
  ide.dSaiEnt = CodificarDataHora(2014, 10, 21);
  ide.tpNF = tnSaida;
  ide.cMunFG = 3118601;
  ide.verProc = "2.0";
  TEmit& e = n.Emit;
  e.CNPJCPF = "19592641000372";
  e.xNome = "CEREALISTA NOVA SAFRA LTDA";
  e.xFant = "NOVA SAFRA";
  e.EnderEmit.xLgr = "VIA MANOEL JACINTO COELHO JUNIOR";
  e.EnderEmit.nro = "981";
  e.EnderEmit.xCpl = "GALPAO 3";
  e.EnderEmit.xBairro = "CAMPINA VERDE";
  e.EnderEmit.cMun = 3118601;
  e.EnderEmit.xMun = "CONTAGEM";
  e.EnderEmit.UF = "MG";
  e.EnderEmit.CEP = 32150245;
  e.EnderEmit.fone = "3133688300";
  e.IE = "0624258870284";
  e.CRT = crtRegimeNormal;
  TDest& d = n.Dest;
  d.CNPJCPF = "13411752000197";
  d.xNome = "FIGUEIREDO ALIMENTOS CONGELADOS LTDA-ME";
  d.EnderDest.xLgr = "RUA FURTADO DE MENEZES, 366 A";
  d.EnderDest.nro = "366";
  d.EnderDest.xBairro = "SANTA ROSA";
  d.EnderDest.cMun = 3106200;
  d.EnderDest.xMun = "BELO HORIZONTE";
  d.EnderDest.UF = "MG";
  d.EnderDest.CEP = 31255780;
  d.EnderDest.fone = "32441999";
  d.IE = "0017498080010";
  d.Email = "lila@casadeguste.com.br";
  return n;
}

// Identification and parties of a sale in Rondônia by a Simples Nacional
// emitter (nfephp_11101284613439000180550010000004881093997017-nfe.xml).
inline TNFe NFeSimplesNacional() {
  TNFe n;
  n.infNFe.ID = "NFe11101284613439000180550010000004881093997017";
  TIde& ide = n.Ide;
  ide.cUF = 11;
  ide.cNF = 9399701;
  ide.natOp = "VENDA NO ESTADO MERC.ADQ.TERCEIROS";
  ide.indPag = ipVista;
  ide.modelo = 55;
  ide.serie = 1;
  ide.nNF = 488;
  ide.dEmi = CodificarDataHora(2010, 12, 2);
  ide.dSaiEnt = CodificarDataHora(2010, 12, 2);
  ide.hSaiEnt = CodificarHora(17, 4, 25);
  ide.tpNF = tnSaida;
  ide.cMunFG = 1100205;
  ide.tpAmb = taHomologacao;
  ide.verProc = "1.0.0.0";
  TEmit& e = n.Emit;
  e.CNPJCPF = "84613439000180";
  e.xNome = "MicroLine Software";
  e.xFant = "MicroLine Software";
  e.EnderEmit.xLgr = "Av. Rafael Vaz e Silva";
  e.EnderEmit.nro = "003091";
  e.EnderEmit.xBairro = "LIBERDADE";
  e.EnderEmit.cMun = 1100205;
  e.EnderEmit.xMun = "PORTO VELHO";
  e.EnderEmit.UF = "RO";
  e.EnderEmit.CEP = 78904120;
  e.EnderEmit.fone = "6933213610";
  e.IE = "00000000415138";
  e.IM = "999911111";
  e.CNAE = "4645101";
  e.CRT = crtSimplesNacional;
  TDest& d = n.Dest;
  d.CNPJCPF = "04428897000100";
  d.xNome = "MICROLINE SOFTWARE -000001";
  d.EnderDest.xLgr = "RUA QUINTINO BOCAIUV-LOJA 01";
  d.EnderDest.nro = "005810";
  d.EnderDest.xBairro = "OLARIA";
  d.EnderDest.cMun = 1100205;
  d.EnderDest.xMun = "PORTO VELHO";
  d.EnderDest.UF = "RO";
  d.EnderDest.CEP = 76801250;
  d.IE = "00000001113054";
  d.Email = "wagneraragao@zipmail.com.br";
  return n;
}

// One product line of a sample invoice.
struct Produto {
  std::string_view cProd, cEAN, xProd, NCM, CFOP, uCom, qCom;
  double vUnCom;
  std::string_view vProd;
};

// The ten items of nfephpser_nfe.xml and the two of the Rondônia invoice.
inline constexpr Produto kProdutos[] = {
    {"220030", "7896036096697", "EXTRATO DE TOMATE ELEFANTE TP 1,1KG", "20029090", "5405", "UN", "10.0000", 8.0,
     "80.00"},
    {"323", "7896434920549", "LEITE UHT TRIANGULO INTEGRAL 12X1L", "04012010", "5102", "CX", "3.0000", 27.21, "81.63"},
    {"4040", "7896417201047", "FARINHA DE TRIGO TP1 VILMA 10X1KG PLAST", "11010010", "5102", "FD", "1.0000", 19.11,
     "19.11"},
    {"56003", "7896330503327", "MOLHO DE PIMENTA PIRATA 900 ML", "21039021", "5405", "UN", "3.0000", 6.71, "20.13"},
    {"58006", "", "APRESUNTADO RETANGULAR SEARA KG", "16010000", "5405", "KG", "10.8000", 11.86, "128.09"},
    {"994656", "7898137930405", "COGUMELO MEDIO TING 1,01KG", "20031000", "5405", "UN", "2.0000", 24.0, "48.00"},
    {"990987", "7896062400192", "MOLHO P/ PIZZA LATA COLONIAL 3KG", "21032090", "5405", "UN", "10.0000", 12.91,
     "129.10"},
    {"996939", "7896290300714", "ARROZ PARB INTEG PRATO FINO 1KG", "10062010", "5102", "UN", "5.0000", 3.62, "18.10"},
    {"993822", "7897167100024", "SAL REF SOSAL 10X1KG", "25010020", "5405", "FD", "1.0000", 7.21, "7.21"},
    {"997671", "7896602901073", "ACAFRAO EM PO PACHA 500GR", "09062000", "5405", "UN", "1.0000", 3.49, "3.49"},
    {"7897393543541", "", "PAPEL SUPERLINHO 180 GRS 100 FLS AZUL-------------", "99999999", "5405", "UN", "10.0000",
     50.0, "500.00"},
    {"MAO 0002", "", "SERVICOS ELETRICOS--------------------------------", "99999999", "5933", "H", "2.0000", 45.0,
     "90.00"},
};

// Appends an item numbered after the last one, with the product of a sample
// line (commercial and taxable units alike), ICMS 00 and the other taxes at
// their initial values.
inline TDetCollectionItem& AdicionarItem(TNFe& n, const Produto& p) {
  TDetCollectionItem& det = n.Det.Add();
  TProd& prod = det.Prod;
  prod.nItem = n.Det.Count();
  prod.cProd = p.cProd;
  prod.cEAN = p.cEAN;
  prod.xProd = p.xProd;
  prod.NCM = p.NCM;
  prod.CFOP = p.CFOP;
  prod.uCom = p.uCom;
  prod.qCom = Valor(p.qCom);
  prod.vUnCom = p.vUnCom;
  prod.vProd = Valor(p.vProd);
  prod.cEANTrib = p.cEAN;
  prod.uTrib = p.uCom;
  prod.qTrib = prod.qCom;
  prod.vUnTrib = p.vUnCom;
  return det;
}

// A car as a dealer's invoice describes it; operation and condition are the caller's.
inline void PreencherVeiculo(TveicProd& v, TkxnTipoOperacao tpOP, TkxnCondicaoVeiculo condVeic) {
  v.tpOP = tpOP;
  v.chassi = "9BWAA05U8CP123456";
  v.cCor = "0001";
  v.xCor = "BRANCO CRISTAL";
  v.pot = "0076";
  v.Cilin = "0999";
  v.pesoL = "925";
  v.pesoB = "1295";
  v.nSerie = "123456789";
  v.tpComb = "16";
  v.nMotor = "CCP123456";
  v.CMT = "1.7000000";
  v.dist = "2465";
  v.anoMod = 2012;
  v.anoFab = 2011;
  v.tpPint = "S";
  v.tpVeic = 6;
  v.espVeic = 1;
  v.VIN = "N";
  v.condVeic = condVeic;
  v.cMod = "123456";
  v.cCorDENATRAN = "16";
  v.lota = 5;
  v.tpRest = 0;
}

}  // namespace modelo
