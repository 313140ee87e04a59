#include "dfe/Configuracao.h"

#include <cstdlib>
#include <fstream>

#include "dfe/Guarda.h"

namespace {

std::string Variavel(const char* nome, const char* padrao) {
  const char* valor = std::getenv(nome);
  return valor && valor[0] ? valor : padrao;
}

}  // namespace

ConfiguracaoDFe LerConfiguracaoDFe(Ambiente ambiente) {
  const bool homologacao = ambiente == Ambiente::Homologacao;
  ConfiguracaoDFe config;
  config.certificado = Variavel("SALVEXA_CERT", "");
  if (const char* senha = std::getenv("SALVEXA_CERT_PASSWORD")) config.senha = senha;
  config.consulta.ambiente = ambiente;
  config.consulta.urlDistribuicao =
      Variavel("SALVEXA_DFE_URL", homologacao ? kUrlDistribuicaoHomologacao : kUrlDistribuicaoProducao);
  config.consulta.urlEvento = Variavel("SALVEXA_EVENTO_URL", homologacao ? kUrlEventoHomologacao : kUrlEventoProducao);
  config.consulta.pastaEstado = PastaDeEstado();
  config.transporte.caExtra = Variavel("SALVEXA_CA", "");
  return config;
}

std::string ProblemaConfiguracaoDFe(const ConfiguracaoDFe& config) {
  if (!config.transporte.caExtra.empty() && !std::ifstream(config.transporte.caExtra))
    return "SALVEXA_CA: cannot read " + config.transporte.caExtra;
  return "";
}
