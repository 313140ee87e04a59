#include <gtest/gtest.h>

#include "apoio/PaginaSintetica.h"
#include "converter/ZoltHTMLtoXML.h"

TEST(PaginaSintetica, AllNineHundredNinetyItemsOfEveryKind) {
  const std::string pagina = pagina_sintetica::Pagina(990);
  std::size_t blocosCofins = 0;  // each item's tax blocks on lines of their own
  for (std::size_t p = pagina.find("\r\nCOFINS\r\n"); p != std::string::npos; p = pagina.find("\r\nCOFINS\r\n", p + 1))
    ++blocosCofins;
  EXPECT_EQ(blocosCofins, 990u);
  TNFe nfe;
  ASSERT_TRUE(LerPaginaNFe(pagina, nfe));
  ASSERT_EQ(nfe.Det.Count(), 990);
  long total = 0;
  for (int i = 0; i < 990; ++i) {
    const int n = i + 1;
    const TDetCollectionItem& det = nfe.Det.Items(i);
    ASSERT_EQ(det.Prod.nItem, n);
    ASSERT_EQ(det.Prod.cProd, "P" + std::to_string(100000 + n));
    ASSERT_EQ(det.Prod.vProd, Currency::DeBruto(pagina_sintetica::CentavosDoItem(n) * 100)) << n;
    total += pagina_sintetica::CentavosDoItem(n);
    const TICMS& icms = det.Imposto.ICMS;
    switch (n % pagina_sintetica::kTiposDeItem) {
      case 1:
        ASSERT_EQ(icms.CST, cst10);
        ASSERT_EQ(icms.vICMSST, Currency::DeDecimal("1.29"));
        break;
      case 2:
        ASSERT_EQ(icms.CST, cst20);
        ASSERT_EQ(icms.pRedBC, Currency::DeDecimal("33.33"));
        break;
      case 3:
        ASSERT_EQ(icms.CST, cst70);
        ASSERT_EQ(icms.vICMSST, Currency::DeDecimal("1.25"));
        break;
      case 4:
        ASSERT_EQ(icms.CSOSN, csosn102);
        break;
      case 5:
        ASSERT_EQ(icms.CSOSN, csosn500);
        ASSERT_EQ(icms.vICMSSTRet, Currency::DeDecimal("1.62"));
        break;
      default:
        ASSERT_EQ(icms.CST, cst00);
        ASSERT_EQ(det.Imposto.IPI.vIPI, Currency::DeDecimal("1.05")) << n;
    }
    ASSERT_EQ(det.Prod.veicProd.anoMod, n % pagina_sintetica::kTiposDeItem == 6 ? 2011 : 0) << n;
  }
  EXPECT_EQ(nfe.Total.ICMSTot.vNF, Currency::DeBruto(total * 100));
  EXPECT_EQ(nfe.Cobr.Dup.Count(), 3);
  EXPECT_EQ(nfe.InfAdic.obsCont.Count(), 2);
  EXPECT_EQ(nfe.Transp.Vol.Count(), 1);
  const std::string xml = GerarXMLNFe(nfe);
  std::size_t itens = 0;
  for (std::size_t p = xml.find("<det nItem="); p != std::string::npos; p = xml.find("<det nItem=", p + 1)) ++itens;
  EXPECT_EQ(itens, 990u);
}
