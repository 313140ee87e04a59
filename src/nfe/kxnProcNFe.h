#pragma once
// Authorisation protocol of one NF-e, as read from the portal's page.
// The NF-e writer wraps the document in nfeProc and writes protNFe from these
// fields when nProt is set; the object keeps no field writer of its own.

#include <string>

#include "nfe/DataHora.h"
#include "nfe/kxnConversao.h"

struct TProcNFe {
  TkxnSchema Schema = TsPL005c;  // not read by the writer
  std::string PathNFe;           // unused file paths, kept for the layout's sake
  std::string PathRetConsReciNFe;
  std::string PathRetConsSitNFe;
  TkxnTipoAmbiente tpAmb = taProducao;
  std::string verAplic;
  std::string chNFe;
  TDateTime dhRecbto = 0;
  std::string nProt;  // non-empty marks the document as authorised
  std::string digVal;
  int cStat = 0;
  std::string xMotivo;
};
