#include <gtest/gtest.h>

#include "apoio/PaginaSintetica.h"
#include "converter/ZoltHTMLtoXML.h"

// The layout holds 990 items: a page with more keeps the cut, and says so.
TEST(ItensAlemDoMaximo, CutAt990WithAnAlertCountingTheRest) {
  struct Caso {
    int itens;
    std::size_t alertas;
    const char* texto;
  };
  const Caso casos[] = {{990, 0, ""}, {1003, 1, "1003 itens; 13 al"}};
  for (const Caso& c : casos) {
    TNFe nfe;
    std::vector<std::string> alertas;
    ASSERT_TRUE(LerPaginaNFe(pagina_sintetica::Pagina(c.itens), nfe, &alertas)) << c.itens;
    EXPECT_EQ(nfe.Det.Count(), 990) << c.itens;
    ASSERT_EQ(alertas.size(), c.alertas) << c.itens;
    if (c.alertas) {
      EXPECT_NE(alertas[0].find(c.texto), std::string::npos) << alertas[0];
    }
  }
}
