#pragma once
// NF-e writer: completes the document's identity (key, Id, check digit,
// numeric code), writes the frame and asks the group writers for the content
// of infNFe in the layout's order. Every problem becomes an alert in Gerador;
// the generation succeeds only when no alert was raised.

#include <string>
#include <string_view>

#include "nfe/kxnNFe.h"
#include "util/kxnAuxiliar.h"
#include "writer/kxnGerador.h"
#include "writer/kxnSignature.h"

// When the Signature element is written.
enum TkxnTagAssinatura { taSempre, taNunca, taSomenteSeAssinada, taSomenteParaNaoAssinada };

class TNFeW {
 public:
  // The NF-e writer's own options (the field writer has its own, in Gerador()).
  struct TGeradorOpcoes {
    // Address numbers completed with zeros to three digits (5 -> 005); default true.
    bool AjustarTagNro = true;
    // The IPI group written for the situations not taxed by IPI too; default true.
    bool GerarTagIPIparaNaoTributado = true;
    // The TXT form made too, in Gerador().ArquivoFormatoTXT(); default false.
    bool GerarTXTSimultaneamente = false;
    // Municipality names taken from the MunIBGE-UF<code>.txt files; default false.
    bool NormatizarMunicipios = false;
    // When the Signature element is written; default only when the model holds a signature.
    TkxnTagAssinatura GerarTagAssinatura = taSomenteSeAssinada;
    // Prefix of the municipality list files, ending with a separator; default none.
    std::string PathArquivoMunicipios;
    // The IE and SUFRAMA numbers checked; default false.
    bool ValidarInscricoes = false;
    // The service list code checked against the list; default false.
    bool ValidarListaServicos = false;
  };

  // The model is not owned; the writer stores the key, Id, cDV, cNF and the
  // signature's URI back into it.
  explicit TNFeW(TNFe& nfe);

  TGeradorOpcoes& Opcoes() { return opcoes_; }
  const TGeradorOpcoes& Opcoes() const { return opcoes_; }
  // The field writer: its options, the XML and TXT texts, the alerts.
  TGerador& Gerador() { return gerador_; }
  const TGerador& Gerador() const { return gerador_; }
  // The writer of the Signature element, with its own field writer and alerts.
  const TSignatureW& Assinatura() const { return assinatura_; }
  // The schema of the last generation, set from the model's version.
  TkxnSchema Schema() const { return schema; }

  // True when Gerador().Alertas() is empty at the end. The XML is left in
  // Gerador().ArquivoFormatoXML(), the TXT form (when asked for) in
  // Gerador().ArquivoFormatoTXT(). Throws ErroConversao when the document has
  // neither an Id nor a composable key, or a given Id is not a key, and when
  // a text cannot become a number a field needs.
  bool GerarDocumento();

  // Municipality code, name and UF to write for an address of country cPais.
  void AjustarMunicipio(int& cMun, std::string& xMun, std::string& UF, int cPais) const;
  // The name from the municipality list file of UF when the options ask for it
  // and the file has the code; otherwise xMun unchanged.
  std::string NormatizarMunicipio(const std::string& xMun, const std::string& UF, int cMun) const;

  // The version as the versao attribute writes it, rounded to two places (an
  // unset version reads as 2.00); the layout follows this value, so 1.999 is
  // written and laid out as 2.00.
  double VersaoEscrita() const;
  // Layout 2.00 or later.
  bool Leiaute200() const { return VersaoEscrita() >= 2.00; }

 private:
  TGerador gerador_;
  TNFe& NFe;
  TkxnSchema schema = TsPL006;
  TGeradorOpcoes opcoes_;
  TSignatureW assinatura_;

  void MontarInfNFe();
  void MontarIde();
  void MontarNFref();
  void MontarEmit();
  void MontarEnderEmit();
  void MontarAvulsa();
  void MontarDest();
  std::string MontarEnderDest();  // returns the UF written
  void MontarRetirada();
  void MontarEntrega();
  std::string TextoProtocolo() const;

  // ---- Items, taxes, totals, transport, billing and the remaining groups ----
  // Defined in kxnNFeWItens.cpp; this block may be edited along with that file.
  // i: index of the item in NFe.Det; j: of a declaration in Prod.DI; v: of a volume.
 public:
  // Suffix of the ICMS group name for a situation ("00", "40", "Part", "ST"...);
  // empty for the situations without a group of their own.
  static std::string CSTIcmsParaSufixoGrupo(TkxnCSTIcms CST);

 private:
  void MontarItens();
  void MontarProduto(int i);
  void MontarDI(int i);
  void MontarAdicoes(int i, int j);
  void MontarVeiculo(int i);
  void MontarMedicamentos(int i);
  void MontarArmas(int i);
  void MontarCombustivel(int i);
  void MontarCIDE(int i);
  void MontarICMSComb(int i);
  void MontarICMSInter(int i);
  void MontarICMSCons(int i);
  void MontarImposto(int i);
  void MontarICMS(int i);
  void MontarIPI(int i);
  void MontarII(int i);
  void MontarPIS(int i);
  void MontarPISST(int i);
  void MontarCOFINS(int i);
  void MontarCOFINSST(int i);
  void MontarISSQN(int i);
  void MontarTotal();
  void MontarICMSTot();
  void MontarISSQNtot();
  void MontarRetTrib();
  void MontarTransp();
  void MontarTransporta();
  void MontarRetTransp();
  void MontarVeicTransp();
  void MontarReboque();
  void MontarVol();
  void MontarLacres(int v);
  void MontarCobr();
  void MontarFat();
  void MontarDup();
  void MontarInfAdic();
  void MontarObsCont();
  void MontarObsFisco();
  void MontarProcRef();
  void MontarExporta();
  void MontarCompra();
  void MontarCana();
  void MontarForDia();
  void MontarDeduc();
  // ---- end of the block of kxnNFeWItens.cpp ----
};
