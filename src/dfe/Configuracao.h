#pragma once
// What the environment says of the service client, read in one place for
// every program that queries the services with a certificate.

#include <optional>
#include <string>

#include "dfe/Consulta.h"
#include "dfe/Transporte.h"

struct ConfiguracaoDFe {
  std::string certificado;           // SALVEXA_CERT; empty when unset or empty
  std::optional<std::string> senha;  // SALVEXA_CERT_PASSWORD when set (even empty)
  OpcoesConsulta consulta;           // the addresses and the usage guard's state; pastaSaida left as is
  OpcoesTransporte transporte;       // caExtra from SALVEXA_CA
};

// SALVEXA_CERT, SALVEXA_CERT_PASSWORD, SALVEXA_DFE_URL and SALVEXA_EVENTO_URL
// (an empty one keeps the default of `ambiente`), SALVEXA_CA, and the state
// directory from XDG_STATE_HOME or HOME.
ConfiguracaoDFe LerConfiguracaoDFe(Ambiente ambiente);

// A value that cannot serve, found before any query of the hour is spent on
// it ("SALVEXA_CA: cannot read FILE", the name as given); empty when all are fine.
std::string ProblemaConfiguracaoDFe(const ConfiguracaoDFe& config);
