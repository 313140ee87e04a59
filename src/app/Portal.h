#pragma once
// The rules of the consultation that need no window: the portal's addresses
// and page recognition, the start key, the checks before a consultation is
// sent, the scripts run in the embedded browser and the progress display.
// Standard library only, so it is tested without a display.
//
// Text is Windows-1252, one byte per character, like the rest of the core.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "util/Win1252.h"

// The built-in portal; SALVEXA_PORTAL_HOST and SALVEXA_PORTAL_CONTENT_ID override them.
inline constexpr std::string_view kHostPortalPadrao = "www.nfe.fazenda.gov.br";
inline constexpr std::string_view kIdConteudoPadrao = "XbSeqxE8pl8=";

inline constexpr std::string_view kMarcadorFim = "Fim Salvexa NF-e";
inline constexpr std::string_view kTituloJanela = "Salvexa NF-e";

inline constexpr std::string_view kMsgChaveInvalida = "Chave Inválida."_cp;
inline constexpr std::string_view kMsgDigiteCaptcha = "Digite o valor da imagem."_cp;
inline constexpr std::string_view kMsgTempoExcedido = "Tempo de espera excedido da Salvexa."_cp;
inline constexpr std::string_view kMsgErroCarregando =
    "Erro carregando NF-e. Verifique se foram digitados todos os dados corretamente."_cp;
inline constexpr std::string_view kMsgInexistente =
    "NF-e INEXISTENTE na base nacional, favor consultar esta NF-e no site da SEFAZ de origem."_cp;

// The "Sobre" tab.
inline constexpr std::string_view kTextoSobre =
    "Projeto Salvexa\n"
    "Este projeto é mantido pela comunidade de desenvolvedores do Zolt.\n"
    "\n"
    "Seu uso tem por objetivo fornecer os dados de NF-e utilizando busca basedo no layout do site da NF-e. "
    "Este site sofre modificações constantes o que na maioria das vezes faz com que este projeto se torne "
    "incompatível, portanto não há garantias de continuidade e manutenção deste projeto, use-o por conta e risco.\n"
    "\n"_cp;
inline constexpr std::string_view kAvisoSobre =
    "OS ARQUIVOS GERADOS POR ESTE PROGRAMA NÃO SUBSTITUEM O XML ORIGINAL DA NF-E! Solicite aos fornecedores o "
    "envio do xml original, além de obrigatório, é mais seguro."_cp;

// Names of the portal form's elements.
inline constexpr std::string_view kCampoChave = "ctl00$ContentPlaceHolder1$txtChaveAcessoCompleta";
inline constexpr std::string_view kCampoCaptcha = "ctl00$ContentPlaceHolder1$txtCaptcha";
inline constexpr std::string_view kBotaoConsultar = "ctl00$ContentPlaceHolder1$btnConsultar";

inline constexpr int kTamanhoChave = 44;
inline constexpr int kTamanhoCaptcha = 4;
inline constexpr int kTicksTempoEsgotado = 30;

struct TConfiguracaoPortal {
  std::string Host{kHostPortalPadrao};        // host, optionally ":port"
  std::string IdConteudo{kIdConteudoPadrao};  // the value of "tipoConteudo"
  std::string Diretorio;                      // where "captcha.gif" and the XML go
};

// The configuration from the environment (`ambiente` answers a variable's
// value, nullopt when unset). An unset or empty variable keeps the default;
// the directory defaults to `diretorioPrograma`.
TConfiguracaoPortal LerConfiguracao(const std::function<std::optional<std::string>(std::string_view)>& ambiente,
                                    std::string_view diretorioPrograma);

// A value set in the environment that cannot serve (the directory must
// exist, so no run ends without a place for its file); empty when all are fine.
std::string ProblemaConfiguracao(const TConfiguracaoPortal& config);
// What is wrong with SALVEXA_DIR (the directory of the saved files), or empty.
std::string ProblemaDiretorio(const std::string& diretorio);

// The addresses as a browser reports them: a port without leading zeros,
// and none when it is the scheme's default (80 for http, 443 for https).
std::string EnderecoConsulta(const TConfiguracaoPortal& config);
std::string EnderecoVisualizacao(const TConfiguracaoPortal& config);
std::string EnderecoImpressao(const TConfiguracaoPortal& config);
std::string EnderecoConsultaCompleta(const TConfiguracaoPortal& config);
std::string EnderecoInexistente(const TConfiguracaoPortal& config);
std::string EnderecoCaptcha(const TConfiguracaoPortal& config);

enum class TPaginaPortal { Consulta, Visualizacao, ConsultaCompleta, Inexistente, Inesperada };

// The page by an exact, case-sensitive comparison of the whole location.
TPaginaPortal ReconhecerPagina(std::string_view endereco, const TConfiguracaoPortal& config);

// The start key: the first argument when there is one, else the clipboard's
// text, taken as they are; nullopt when it does not have exactly 44 characters.
std::optional<std::string> ChaveInicial(const std::optional<std::string>& argumento,
                                        std::string_view areaTransferencia);

enum class TConferenciaConsulta { Ok, ChaveInvalida, CaptchaCurto };

// The checks before the form is sent; `chaveDigitos` is the key reduced to its digits.
TConferenciaConsulta ConferirConsulta(std::string_view chaveDigitos, std::string_view captcha);

// Scripts for the embedded browser, ASCII only (every other character is
// escaped), so a typed captcha can never break out of its string.
// Fills key and captcha and clicks the consult button; the script's value is
// the name of the first missing element, or "" when the form was sent.
std::string ScriptEnviarFormulario(std::string_view chave, std::string_view captcha);
// Puts the key into the form's key field when there is one; sends nothing.
std::string ScriptPreencherChave(std::string_view chave);
// The source addresses of the document's images, separated by line feeds.
inline constexpr std::string_view kScriptImagens =
    "Array.prototype.map.call(document.images, function (i) { return i.src; }).join('\\n')";
// The body's inner HTML, or null while the document has no body yet.
inline constexpr std::string_view kScriptCorpo = "document.body ? document.body.innerHTML : null";

// A JavaScript string literal of a Windows-1252 text.
std::string LiteralJavaScript(std::string_view texto);

struct TEstadoProgresso {
  bool Visivel = false;
  int Maximo = 0;
  int Posicao = 0;
};

// The progress display for a reported progress and maximum.
TEstadoProgresso CalcularProgresso(int progresso, int maximo);
