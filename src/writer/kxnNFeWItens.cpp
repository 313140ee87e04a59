#include "writer/kxnNFeW.h"

// Groups after the delivery place: not written yet.
void TNFeW::MontarItens() {}
void TNFeW::MontarTotal() {}
void TNFeW::MontarTransp() {}
void TNFeW::MontarCobr() {}
void TNFeW::MontarInfAdic() {}
void TNFeW::MontarExporta() {}
void TNFeW::MontarCompra() {}
void TNFeW::MontarCana() {}
