#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "util/Win1252.h"
#include "writer/kxnNFeW.h"

namespace {

// Quotes, ampersands, angle brackets, a CDATA end, control characters and every byte 0x80-0xFF.
std::string Hostil() {
  std::string t = "  a\"b'c&amp;d<e>f]]>g&#0;\t\r\n\x01\x08\x0B\x0C\x1F\x7F  ";
  for (int c = 0x80; c <= 0xFF; ++c) t += static_cast<char>(c);
  return t + " <!-- --> <?x?> ";
}

void EncherDeTextoHostil(TNFe& n) {
  const std::string h = Hostil();
  n.infNFe.ID = h + "35100511222333000181550010000001231123456780";  // the Id attribute too
  n.Ide.cUF = 35;
  n.Ide.nNF = 1;
  n.Ide.modelo = 55;
  n.Ide.dEmi = 40302;
  n.Ide.natOp = h;
  n.Ide.verProc = h;
  n.Ide.xJust = h;
  TNFrefCollectionItem& ref = n.Ide.NFref.Add();
  ref.refNFe = h;
  ref.refCTe = h;
  ref.RefNFP.nNF = 1;
  ref.RefNFP.IE = h;
  ref.RefNFP.AAMM = h;
  ref.RefNFP.CNPJCPF = h;
  ref.RefNFP.modelo = "1";
  n.Emit.CNPJCPF = "11222333000181";
  n.Emit.xNome = n.Emit.xFant = n.Emit.IEST = n.Emit.IM = n.Emit.CNAE = h;
  for (std::string* s :
       {&n.Emit.EnderEmit.xLgr, &n.Emit.EnderEmit.nro, &n.Emit.EnderEmit.xCpl, &n.Emit.EnderEmit.xBairro,
        &n.Emit.EnderEmit.xMun, &n.Emit.EnderEmit.UF, &n.Emit.EnderEmit.xPais, &n.Emit.EnderEmit.fone})
    *s = h;
  n.Avulsa.CNPJ = n.Avulsa.xOrgao = n.Avulsa.matr = n.Avulsa.xAgente = n.Avulsa.UF = n.Avulsa.nDAR = h;
  n.Avulsa.repEmi = h;
  n.Dest.CNPJCPF = n.Dest.xNome = n.Dest.IE = n.Dest.ISUF = n.Dest.Email = h;
  for (std::string* s :
       {&n.Dest.EnderDest.xLgr, &n.Dest.EnderDest.nro, &n.Dest.EnderDest.xCpl, &n.Dest.EnderDest.xBairro,
        &n.Dest.EnderDest.xMun, &n.Dest.EnderDest.UF, &n.Dest.EnderDest.xPais})
    *s = h;
  n.Retirada.xLgr = n.Retirada.xBairro = n.Retirada.xMun = n.Retirada.UF = n.Retirada.CNPJCPF = h;
  n.Entrega.xLgr = n.Entrega.xCpl = n.Entrega.nro = n.Entrega.UF = h;
  TDetCollectionItem& det = n.Det.Add();
  det.Prod.nItem = 1;
  det.Prod.cProd = det.Prod.xProd = det.Prod.uCom = det.Prod.CFOP = det.Prod.NCM = h;
  det.infAdProd = h;
  n.InfAdic.infCpl = n.InfAdic.infAdFisco = h;
  TobsContCollectionItem& obs = n.InfAdic.obsCont.Add();
  obs.xCampo = obs.xTexto = h;
  TobsFiscoCollectionItem& fisco = n.InfAdic.obsFisco.Add();
  fisco.xCampo = fisco.xTexto = h;
  n.signature.DigestValue = n.signature.SignatureValue = n.signature.X509Certificate = h;
  n.procNFe.verAplic = n.procNFe.chNFe = n.procNFe.nProt = n.procNFe.digVal = n.procNFe.xMotivo = h;
}

}  // namespace

TEST(NFeW, HostileTextGivesWellFormedUtf8Xml) {
  if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
  const auto dir = std::filesystem::path(SALVEXA_BINARY_DIR) / "tests" / "writer-tmp" / "hostil";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);

  struct Caso {
    const char* nome;
    bool protocolo, identar, retirarAcentos, retirarEspacos;
  };
  const Caso casos[] = {
      {"padrao", true, false, true, true},
      {"sem-protocolo-identado", false, true, true, true},
      {"com-acentos", true, true, false, false},
  };
  for (const Caso& c : casos) {
    TNFe n;
    EncherDeTextoHostil(n);
    if (!c.protocolo) n.procNFe.nProt.clear();
    TNFeW w(n);
    w.Opcoes().GerarTagAssinatura = taSempre;
    w.Gerador().Opcoes().IdentarXML = c.identar;
    w.Gerador().Opcoes().RetirarAcentos = c.retirarAcentos;
    w.Gerador().Opcoes().RetirarEspacos = c.retirarEspacos;
    w.GerarDocumento();
    EXPECT_FALSE(w.Gerador().ListaDeAlertas().empty());
    const auto arquivo = dir / (std::string(c.nome) + ".xml");
    w.Gerador().SalvarArquivo(arquivo.string());

    std::ifstream f(arquivo, std::ios::binary);
    const std::string salvo(std::istreambuf_iterator<char>(f), {});
    EXPECT_TRUE(win1252::Utf8Valido(salvo)) << c.nome;
    EXPECT_TRUE(salvo.ends_with("\r\n")) << c.nome;
    const std::string comando = "xmllint --noout '" + arquivo.string() + "' 2>'" + arquivo.string() + ".err'";
    EXPECT_EQ(std::system(comando.c_str()), 0) << c.nome << ": see " << arquivo << ".err";
  }
}
