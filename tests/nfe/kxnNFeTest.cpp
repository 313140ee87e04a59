#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>

#include "nfe/kxnNFe.h"

TEST(NFe, NewDocumentHasTheInitialValues) {
  const TNFe nfe;
  struct Caso {
    const char* campo;
    std::function<bool(const TNFe&)> confere;
  };
  const Caso casos[] = {
      {"infNFe.Versao", [](const TNFe& n) { return n.infNFe.Versao() == 2.0; }},
      {"infNFe.VersaoStr", [](const TNFe& n) { return n.infNFe.VersaoStr() == "versao=\"2.00\""; }},
      {"infNFe.ID", [](const TNFe& n) { return n.infNFe.ID.empty(); }},
      {"schema", [](const TNFe& n) { return n.schema == TsPL005c; }},
      {"Emit.EnderEmit.cPais", [](const TNFe& n) { return n.Emit.EnderEmit.cPais == 1058; }},
      {"Emit.EnderEmit.xPais", [](const TNFe& n) { return n.Emit.EnderEmit.xPais == "BRASIL"; }},
      {"Emit.EnderEmit.nro", [](const TNFe& n) { return n.Emit.EnderEmit.nro == "SEM NUMERO"; }},
      {"Emit.EnderEmit.xLgr", [](const TNFe& n) { return n.Emit.EnderEmit.xLgr.empty(); }},
      {"Emit.CRT", [](const TNFe& n) { return n.Emit.CRT == crtRegimeNormal; }},
      {"Dest.EnderDest.cPais", [](const TNFe& n) { return n.Dest.EnderDest.cPais == 1058; }},
      {"Dest.EnderDest.xPais", [](const TNFe& n) { return n.Dest.EnderDest.xPais == "BRASIL"; }},
      {"Dest.EnderDest.nro", [](const TNFe& n) { return n.Dest.EnderDest.nro == "SEM NUMERO"; }},
      {"Dest.EnderDest.CEP", [](const TNFe& n) { return n.Dest.EnderDest.CEP == 0; }},
      {"Retirada.nro", [](const TNFe& n) { return n.Retirada.nro.empty() && n.Retirada.cMun == 0; }},
      {"Entrega.nro", [](const TNFe& n) { return n.Entrega.nro.empty() && n.Entrega.cMun == 0; }},
      {"Avulsa", [](const TNFe& n) { return n.Avulsa.CNPJ.empty() && n.Avulsa.vDAR == 0 && n.Avulsa.dPag == 0; }},
      {"Ide.indPag", [](const TNFe& n) { return n.Ide.indPag == ipVista; }},
      {"Ide.tpNF", [](const TNFe& n) { return n.Ide.tpNF == tnEntrada; }},
      {"Ide.tpImp", [](const TNFe& n) { return n.Ide.tpImp == tiRetrato; }},
      {"Ide.tpEmis", [](const TNFe& n) { return n.Ide.tpEmis == teNormal; }},
      {"Ide.tpAmb", [](const TNFe& n) { return n.Ide.tpAmb == taProducao; }},
      {"Ide.finNFe", [](const TNFe& n) { return n.Ide.finNFe == fnNormal; }},
      {"Ide.procEmi", [](const TNFe& n) { return n.Ide.procEmi == peAplicativoContribuinte; }},
      {"Ide.dEmi", [](const TNFe& n) { return n.Ide.dEmi == 0 && n.Ide.hSaiEnt == 0 && n.Ide.nNF == 0; }},
      {"Ide.refNFP", [](const TNFe& n) { return n.Ide.refNFP == nullptr; }},
      {"Transp.modFrete", [](const TNFe& n) { return n.Transp.modFrete == mfContaEmitente; }},
      {"Total",
       [](const TNFe& n) {
         return n.Total.ICMSTot.vNF == 0 && n.Total.ISSQNtot.vServ == 0 && n.Total.retTrib.vRetPrev == 0;
       }},
      {"cana.qTotGer", [](const TNFe& n) { return n.cana.qTotGer == 0 && n.cana.vLiqFor == 0; }},
      {"procNFe",
       [](const TNFe& n) {
         return n.procNFe.nProt.empty() && n.procNFe.cStat == 0 && n.procNFe.tpAmb == taProducao &&
                n.procNFe.Schema == TsPL005c;
       }},
      {"signature", [](const TNFe& n) { return n.signature.URI.empty() && n.signature.DigestValue.empty(); }},
      {"collections empty",
       [](const TNFe& n) {
         return n.Det.Count() + n.Ide.NFref.Count() + n.Transp.Vol.Count() + n.Transp.Reboque.Count() +
                    n.Cobr.Dup.Count() + n.InfAdic.obsCont.Count() + n.InfAdic.obsFisco.Count() +
                    n.InfAdic.procRef.Count() + n.cana.fordia.Count() + n.cana.deduc.Count() ==
                0;
       }},
  };
  for (const auto& c : casos) EXPECT_TRUE(c.confere(nfe)) << c.campo;
}

TEST(NFe, BrazilianAddressDefaultsBelongToTheRootOnly) {
  const TenderEmit enderEmit;
  const TenderDest enderDest;
  EXPECT_EQ(enderEmit.cPais, 0);
  EXPECT_EQ(enderEmit.xPais, "");
  EXPECT_EQ(enderEmit.nro, "");
  EXPECT_EQ(enderDest.cPais, 0);
  EXPECT_EQ(enderDest.nro, "");
  EXPECT_EQ(TEmit().CRT, crtRegimeNormal);
}

TEST(NFe, AddedItemsComeWithTheirWholeSubtreeAtInitialValues) {
  TNFe nfe;
  auto& det = nfe.Det.Add();
  ASSERT_EQ(nfe.Det.Count(), 1);
  EXPECT_EQ(&nfe.Det.Items(0), &det);
  EXPECT_EQ(det.Prod.IndTot, itSomaTotalNFe);
  EXPECT_EQ(det.Prod.DI.Count() + det.Prod.med.Count() + det.Prod.arma.Count(), 0);
  EXPECT_EQ(det.Prod.veicProd.tpOP, toVendaConcessionaria);
  EXPECT_EQ(det.Prod.comb.ICMSCons.UFcons, "");
  EXPECT_EQ(det.Imposto.ICMS.CST, cst00);
  EXPECT_EQ(det.Imposto.ICMS.CSOSN, csosnVazio);
  EXPECT_EQ(det.Imposto.ICMS.orig, oeNacional);
  EXPECT_EQ(det.Imposto.IPI.CST, ipi00);
  EXPECT_EQ(det.Imposto.PIS.CST, pis01);
  EXPECT_EQ(det.Imposto.COFINS.CST, cof01);
  EXPECT_EQ(det.Imposto.ISSQN.cSitTrib, ISSQNcSitTribVazio);
  EXPECT_EQ(det.Prod.DI.Add().adi.Count(), 0);

  const auto& ref = nfe.Ide.NFref.Add();
  EXPECT_EQ(ref.RefECF.modelo, ECFModRefVazio);
  EXPECT_EQ(ref.RefNF.nNF, 0);
  EXPECT_EQ(ref.RefNFP.modelo, "");
  EXPECT_EQ(nfe.InfAdic.procRef.Add().indProc, ipSEFAZ);

  // Each volume owns its own seals.
  nfe.Transp.Vol.Add();
  nfe.Transp.Vol.Add().Lacres.Add().nLacre = "L1";
  EXPECT_EQ(nfe.Transp.Vol.Items(0).Lacres.Count(), 0);
  EXPECT_EQ(nfe.Transp.Vol.Items(1).Lacres.Items(0).nLacre, "L1");
}

TEST(NFe, ItemsOutOfRangeFail) {
  TNFe nfe;
  EXPECT_THROW(nfe.Cobr.Dup.Items(0), std::out_of_range);
  EXPECT_THROW(nfe.Det.Items(-1), std::out_of_range);
  nfe.Det.Add();
  const TNFe& leitura = nfe;
  EXPECT_NO_THROW(leitura.Det.Items(0));
  EXPECT_THROW(leitura.Det.Items(leitura.Det.Count()), std::out_of_range);
}

TEST(NFe, VersionReadsTwoWhenUnsetAndItsTextUsesTheStoredValue) {
  struct Caso {
    double armazenada;
    double lida;
    const char* texto;
  };
  const Caso casos[] = {
      {0, 2.0, "versao=\"2.00\""},       {-1, 2.0, "versao=\"2.00\""},       {1.1, 1.1, "versao=\"1.10\""},
      {2, 2.0, "versao=\"2.00\""},       {10, 10, "versao=\"10.00\""},       {0.5, 0.5, "versao=\"0.50\""},
      {1.005, 1.005, "versao=\"1.01\""}, {9.999, 9.999, "versao=\"10.00\""}, {2.004, 2.004, "versao=\"2.00\""},
      {NAN, 2.0, "versao=\"2.00\""},
  };
  for (const auto& c : casos) {
    TInfNFe inf;
    inf.SetVersao(c.armazenada);
    EXPECT_EQ(inf.Versao(), c.lida) << c.armazenada;
    EXPECT_EQ(inf.VersaoStr(), c.texto) << c.armazenada;
  }
}

TEST(NFe, CombDescricaoNamesTheFuelOrKeepsTheCode) {
  struct Caso {
    const char* tpComb;
    const char* descricao;
  };
  const Caso casos[] = {
      {"01", "01 - ALCOOL"},
      {"1", "01 - ALCOOL"},
      {"001", "01 - ALCOOL"},
      {"+2", "02 - GASOLINA"},
      {"11", "11 - VIDE/CAMPO/OBSERVACAO"},
      {"18", "18 - GASOLINA/ELETRICO"},
      {"19", "19"},
      {"0", "0"},
      {"-3", "-3"},
      {"AB", "AB"},
      {"", ""},
      {" 1", " 1"},
      {"1 ", "1 "},
      {"99999999999", "99999999999"},
  };
  for (const auto& c : casos) {
    TveicProd veic;
    veic.tpComb = c.tpComb;
    EXPECT_EQ(veic.CombDescricao(), c.descricao) << '"' << c.tpComb << '"';
  }
}

TEST(NFe, CopiesAndCollectionAssignmentAreDeep) {
  TNFe origem;
  auto& det = origem.Det.Add();
  det.Prod.xProd = "PARAFUSO";
  det.Prod.DI.Add().adi.Add().nAdicao = 7;
  origem.Transp.Vol.Add().Lacres.Add().nLacre = "A";

  TNFe copia = origem;
  det.Prod.xProd = "PORCA";
  det.Prod.DI.Items(0).adi.Items(0).nAdicao = 8;
  origem.Transp.Vol.Items(0).Lacres.Add();
  EXPECT_EQ(copia.Det.Items(0).Prod.xProd, "PARAFUSO");
  EXPECT_EQ(copia.Det.Items(0).Prod.DI.Items(0).adi.Items(0).nAdicao, 7);
  EXPECT_EQ(copia.Transp.Vol.Items(0).Lacres.Count(), 1);

  // Assigning replaces the items by copies of the other's.
  TNFe destino;
  for (int i = 0; i < 3; ++i) destino.Transp.Vol.Add().qVol = 100 + i;
  destino.Transp.Vol = origem.Transp.Vol;
  ASSERT_EQ(destino.Transp.Vol.Count(), 1);
  EXPECT_EQ(destino.Transp.Vol.Items(0).Lacres.Count(), 2);
  origem.Transp.Vol.Items(0).Lacres.Items(0).nLacre = "B";
  EXPECT_EQ(destino.Transp.Vol.Items(0).Lacres.Items(0).nLacre, "A");

  auto& mesma = destino.Transp.Vol;
  destino.Transp.Vol = mesma;
  EXPECT_EQ(destino.Transp.Vol.Count(), 1);
}
