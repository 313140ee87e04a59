#include "app/Portal.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "util/ZoltUtil.h"
#include "util/kxnAuxiliar.h"

namespace {

// The host part as a browser shows it in a location, so the pages compare equal.
std::string HostDoEndereco(std::string_view esquema, std::string_view host) {
  const auto doisPontos = host.find(':', host.starts_with('[') ? host.find(']') : 0);
  if (doisPontos == std::string_view::npos) return std::string(host);
  const std::string_view porta = host.substr(doisPontos + 1);
  int numero = 0;
  const auto [fim, erro] = std::from_chars(porta.data(), porta.data() + porta.size(), numero);
  if (erro != std::errc() || fim != porta.data() + porta.size()) return std::string(host);  // refused anyway
  std::string resultado(host.substr(0, doisPontos));
  if (numero != (esquema == "https" ? 443 : 80)) resultado += ":" + std::to_string(numero);
  return resultado;
}

std::string Endereco(std::string_view esquema, const TConfiguracaoPortal& config, std::string_view caminho,
                     std::string_view consulta = {}) {
  std::string e;
  e.append(esquema).append("://").append(HostDoEndereco(esquema, config.Host)).append(caminho);
  if (!consulta.empty()) e.append("?").append(consulta);
  return e;
}

bool CaractereDeHost(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

// Characters a browser keeps as they are in a query, so the location still
// compares equal to the address built here.
bool CaractereDeConsulta(char c) {
  return CaractereDeHost(c) || c == '_' || c == '~' || c == '+' || c == '/' || c == '=' || c == '%';
}

}  // namespace

TConfiguracaoPortal LerConfiguracao(const std::function<std::optional<std::string>(std::string_view)>& ambiente,
                                    std::string_view diretorioPrograma) {
  TConfiguracaoPortal config;
  config.Diretorio = std::string(diretorioPrograma);
  const auto ler = [&](std::string_view nome, std::string& destino) {
    if (const auto valor = ambiente(nome); valor && !valor->empty()) destino = *valor;
  };
  ler("SALVEXA_PORTAL_HOST", config.Host);
  ler("SALVEXA_PORTAL_CONTENT_ID", config.IdConteudo);
  ler("SALVEXA_DIR", config.Diretorio);
  // Browsers report host names in small letters; the comparison of locations must see the same.
  const auto fimHost = config.Host.find(':', config.Host.starts_with('[') ? config.Host.find(']') : 0);
  for (std::size_t i = 0; i < config.Host.size() && i < fimHost; ++i)
    if (config.Host[i] >= 'A' && config.Host[i] <= 'Z') config.Host[i] = char(config.Host[i] - 'A' + 'a');
  return config;
}

std::string ProblemaConfiguracao(const TConfiguracaoPortal& config) {
  // host[:port], with a bracketed IPv6 address allowed as host
  std::string_view host = config.Host;
  std::string_view porta;
  if (host.starts_with('[')) {
    const auto fim = host.find(']');
    if (fim == std::string_view::npos || fim == 1) return "SALVEXA_PORTAL_HOST: unclosed or empty [ ] address";
    for (char c : host.substr(1, fim - 1))
      if (!(EhLetraOuDigito(c) || c == ':' || c == '.')) return "SALVEXA_PORTAL_HOST: invalid IPv6 address";
    porta = host.substr(fim + 1);
    if (!porta.empty() && !porta.starts_with(':')) return "SALVEXA_PORTAL_HOST: text after the ] address";
    host = {};
  } else if (const auto doisPontos = host.find(':'); doisPontos != std::string_view::npos) {
    porta = host.substr(doisPontos);
    host = host.substr(0, doisPontos);
  }
  if (!config.Host.starts_with('[')) {
    if (host.empty()) return "SALVEXA_PORTAL_HOST: empty host";
    for (char c : host)
      if (!CaractereDeHost(c)) return "SALVEXA_PORTAL_HOST: only letters, digits, '.' and '-' make a host";
  }
  if (!porta.empty()) {
    porta.remove_prefix(1);
    int numero = 0;
    const auto [fim, erro] = std::from_chars(porta.data(), porta.data() + porta.size(), numero);
    if (porta.empty() || erro != std::errc() || fim != porta.data() + porta.size() || !TodosDigitos(porta) ||
        numero < 1 || numero > 65535)
      return "SALVEXA_PORTAL_HOST: the port must be a number from 1 to 65535";
  }
  for (char c : config.IdConteudo)
    if (!CaractereDeConsulta(c))
      return "SALVEXA_PORTAL_CONTENT_ID: only letters, digits and - . _ ~ + / = % are kept as they are in an address";
  return ProblemaDiretorio(config.Diretorio);
}

std::string ProblemaDiretorio(const std::string& diretorio) {
  std::error_code erro;
  if (!std::filesystem::is_directory(diretorio, erro)) return "SALVEXA_DIR: " + diretorio + " is not a directory";
  return {};
}

std::string EnderecoConsulta(const TConfiguracaoPortal& config) {
  return Endereco("http", config, "/portal/consulta.aspx", "tipoConsulta=completa&tipoConteudo=" + config.IdConteudo);
}
std::string EnderecoVisualizacao(const TConfiguracaoPortal& config) {
  return Endereco("https", config, "/portal/visualizacaoNFe/completa/Default.aspx");
}
std::string EnderecoImpressao(const TConfiguracaoPortal& config) {
  return Endereco("https", config, "/PORTAL/visualizacaoNFe/completa/impressao.aspx");
}
std::string EnderecoConsultaCompleta(const TConfiguracaoPortal& config) {
  return Endereco("http", config, "/portal/consultaCompleta.aspx", "tipoConteudo=" + config.IdConteudo);
}
std::string EnderecoInexistente(const TConfiguracaoPortal& config) {
  return Endereco("https", config, "/portal/inexistente_completa.aspx");
}
std::string EnderecoCaptcha(const TConfiguracaoPortal& config) {
  return Endereco("http", config, "/scripts/srf/intercepta/captcha.aspx", "opt=image");
}

TPaginaPortal ReconhecerPagina(std::string_view endereco, const TConfiguracaoPortal& config) {
  if (endereco == EnderecoConsulta(config)) return TPaginaPortal::Consulta;
  if (endereco == EnderecoVisualizacao(config)) return TPaginaPortal::Visualizacao;
  if (endereco == EnderecoConsultaCompleta(config)) return TPaginaPortal::ConsultaCompleta;
  if (endereco == EnderecoInexistente(config)) return TPaginaPortal::Inexistente;
  return TPaginaPortal::Inesperada;
}

std::optional<std::string> ChaveInicial(const std::optional<std::string>& argumento,
                                        std::string_view areaTransferencia) {
  std::string chave = argumento ? *argumento : std::string(areaTransferencia);
  if (chave.size() != kTamanhoChave) return std::nullopt;
  return chave;
}

TConferenciaConsulta ConferirConsulta(std::string_view chaveDigitos, std::string_view captcha) {
  if (!ConferirChaveAcesso("NFe" + std::string(chaveDigitos))) return TConferenciaConsulta::ChaveInvalida;
  if (Aparar(captcha).empty() || captcha.size() < kTamanhoCaptcha) return TConferenciaConsulta::CaptchaCurto;
  return TConferenciaConsulta::Ok;
}

std::string LiteralJavaScript(std::string_view texto) {
  std::string js = "\"";
  for (unsigned char c : texto) {
    // Letters, digits and plain punctuation as they are; quotes, backslash,
    // "<" (no "</script>") and everything outside printable ASCII escaped.
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '<' && c != '>' && c != '\'') {
      js += char(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", unsigned(win1252::ParaUnicode(c)));
      js += escape;
    }
  }
  return js + "\"";
}

std::string ScriptEnviarFormulario(std::string_view chave, std::string_view captcha) {
  // Every element is looked up before any is touched, so a changed form is
  // reported without a half-filled submission.
  return "(function () {"
         " var nomes = [" +
         LiteralJavaScript(kCampoChave) + ", " + LiteralJavaScript(kCampoCaptcha) + ", " +
         LiteralJavaScript(kBotaoConsultar) +
         "];"
         " var e = nomes.map(function (n) { return document.getElementsByName(n)[0]; });"
         " for (var i = 0; i < e.length; i++) if (!e[i]) return nomes[i];"
         " e[0].value = " +
         LiteralJavaScript(chave) +
         ";"
         " e[1].value = " +
         LiteralJavaScript(captcha) +
         ";"
         " e[2].click();"
         " return ''; })()";
}

std::string ScriptPreencherChave(std::string_view chave) {
  return "(function () { var e = document.getElementsByName(" + LiteralJavaScript(kCampoChave) +
         ")[0]; if (e) e.value = " + LiteralJavaScript(chave) + "; })()";
}

TEstadoProgresso CalcularProgresso(int progresso, int maximo) {
  if (maximo <= 0) return {};
  if (progresso == -1 || progresso > maximo) return {false, maximo, 0};
  return {true, maximo, progresso < 0 ? 0 : progresso};
}
