#pragma once
// Writer of the XML-DSig Signature element from the signature values kept in
// the model. Nothing is signed here: the element only reproduces values that
// are already there.

#include "nfe/kxnNFe.h"
#include "writer/kxnGerador.h"

class TSignatureW {
 public:
  // The signature's own field writer: its alerts are not the document's, and
  // its level starts at 0 whatever the nesting of the document around it.
  TGerador Gerador;

  // Leaves the element in Gerador.ArquivoFormatoXML(); true when Gerador's
  // alert list is empty. The caller sets Gerador.Opcoes().IdentarXML beforehand.
  bool MontarSignature(const TSignature& Signature);
};
