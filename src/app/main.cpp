// salvexa-nfe [KEY]: recovers the NF-e XML of an access key from the portal's
// complete consultation, in a window, and ends with "Fim Salvexa NF-e" on the
// clipboard for a calling program.

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "app/AreaDeTransferencia.h"
#include "app/Portal.h"
#include "app/certificado.h"
#include "app/principal.h"
#include "dfe/Configuracao.h"
#include "util/TextoSeguro.h"

namespace {

constexpr std::string_view kAjuda = R"(Usage: salvexa-nfe [KEY]

Gets the NF-e of the 44-digit access KEY (without KEY, the text on the
clipboard) and saves it as "<KEY>-nfe.xml", by one of two routes:

- the portal (default): consults the NF-e portal's complete consultation,
  shows the portal's captcha for you to type, and rebuilds the invoice from
  the result page;
- the certificate (when SALVEXA_CERT is set): asks the national distribution
  service with the company's A1 certificate and saves the issuer's original,
  signed XML as the service sent it; no captcha, no browser. The password is
  asked in a dialog unless SALVEXA_CERT_PASSWORD holds it. When the service
  gives only the summary, a dialog asks before the acknowledgement of the
  operation ("Ciencia da Operacao", a fiscal act in the company's name) is
  registered; without a yes no event is sent.

The saved file's path is printed on standard output; what the program does
and any alert of the XML writer are told on standard error. Every end of a
run, whatever the outcome, leaves "Fim Salvexa NF-e" on the clipboard. A run
has 30 seconds (the time a dialog waits for you does not count).

Environment:
  SALVEXA_DIR                directory of the XML file (and of "captcha.gif")
                             (default: the program's own directory when it
                             can be written, else the current directory)
  SALVEXA_PORTAL_HOST        the portal's host, optionally with ":port"
                             (default: www.nfe.fazenda.gov.br)
  SALVEXA_PORTAL_CONTENT_ID  the portal's "tipoConteudo" value
                             (default: XbSeqxE8pl8=)
  SALVEXA_CERT               the certificate (PKCS#12, .pfx or .p12): takes
                             the certificate route
  SALVEXA_CERT_PASSWORD      its password; else it is asked in a dialog
  SALVEXA_DFE_URL            the distribution service's address
                             (default: the production environment's)
  SALVEXA_EVENTO_URL         the event service's address
                             (default: the production environment's)
  SALVEXA_CA                 a PEM file of further trusted root certificates
  XDG_STATE_HOME             where the usage guard's state is kept, shared
                             with salvexa-dfe (see salvexa-dfe --help)

As root the embedded browser runs without its sandbox.
)";

// Termination signals close the window like its close box, so a killed run
// still ends with the marker on the clipboard. The handler only writes a byte;
// the window is closed from the event loop.
int gSinais[2] = {-1, -1};  // the one place a signal handler can reach

void AoSinal(int) {
  const char c = 1;
  [[maybe_unused]] const auto escrito = write(gSinais[1], &c, 1);
}

void FecharNosSinais(QWidget& janela) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSinais) != 0) return;
  auto* aviso = new QSocketNotifier(gSinais[0], QSocketNotifier::Read, &janela);
  QObject::connect(aviso, &QSocketNotifier::activated, &janela, [&janela] {
    char c;
    [[maybe_unused]] const auto lido = read(gSinais[0], &c, 1);
    std::cerr << "salvexa-nfe: ended by a signal" << std::endl;
    janela.close();
  });
  struct sigaction acao {};
  acao.sa_handler = AoSinal;
  sigemptyset(&acao.sa_mask);
  acao.sa_flags = SA_RESTART;
  for (int sinal : {SIGTERM, SIGINT, SIGHUP}) sigaction(sinal, &acao, nullptr);
}

// Standard error is read by callers and their logs: Qt's notes for
// developers are dropped, its warnings come out as one escaped line each.
void MensagemDoQt(QtMsgType tipo, const QMessageLogContext&, const QString& texto) {
  if (tipo == QtDebugMsg || tipo == QtInfoMsg) return;
  std::cerr << "salvexa-nfe: qt: " << EscaparControles(texto.toStdString()) << std::endl;
}

std::optional<std::string> VariavelDeAmbiente(std::string_view nome) {
  if (const char* valor = std::getenv(std::string(nome).c_str())) return std::string(valor);
  return std::nullopt;
}

int Executar(int argc, char** argv, ConfiguracaoDFe dfe, bool rotaCertificado, std::function<bool()>& consultaEmCurso);

}  // namespace

int main(int argc, char** argv) {
  const std::optional<std::string> argumento = argc > 1 ? std::optional<std::string>(argv[1]) : std::nullopt;
  if (argumento == "--help" || argumento == "-h") {
    std::cout << kAjuda;
    return 0;
  }
  if (argumento == kOpcaoServirMarcador) {
    // The hidden keeper: only the display's connection, no browser, nothing
    // of the caller's.
    DesligarDoChamador();
    if (argc < 4) return 2;
    QGuiApplication app(argc, argv);
    return ServirAreaDeTransferencia(QString::fromLocal8Bit(argv[3]),
                                     std::uint32_t(std::strtoul(argv[2], nullptr, 10)));
  }
  // Over the file-size limit a save fails like any other write (and is told)
  // instead of the signal ending the run without its marker.
  std::signal(SIGXFSZ, SIG_IGN);

  qInstallMessageHandler(MensagemDoQt);
  ConfiguracaoDFe dfe = LerConfiguracaoDFe(Ambiente::Producao);
  const bool rotaCertificado = !dfe.certificado.empty();
  if (!rotaCertificado) {
    // The embedded browser refuses to start its sandbox as root.
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The browser's own log lines (its processes write them straight to
    // standard error) only for fatal errors.
    if (const QByteArray opcoes = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"); !opcoes.contains("--log-level"))
      qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (opcoes + " --log-level=3").trimmed());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  }
  std::function<bool()> consultaEmCurso;
  const int saida = Executar(argc, argv, std::move(dfe), rotaCertificado, consultaEmCurso);
  // A query that a time-out or a signal cut short is abandoned with the
  // process: nothing of it may run while the program's statics are torn down.
  if (consultaEmCurso && consultaEmCurso()) {
    std::cout.flush();
    std::cerr.flush();
    std::_Exit(saida);
  }
  return saida;
}

namespace {

int Executar(int argc, char** argv, ConfiguracaoDFe dfe, bool rotaCertificado, std::function<bool()>& consultaEmCurso) {
  const std::optional<std::string> argumento = argc > 1 ? std::optional<std::string>(argv[1]) : std::nullopt;
  QApplication app(argc, argv);

  // Files go beside the program, where callers look for them; an installed
  // program's directory is not the user's to write, so then the current one.
  QString diretorio = QCoreApplication::applicationDirPath();
  if (!QFileInfo(diretorio).isWritable()) diretorio = QDir::currentPath();
  const TConfiguracaoPortal config = LerConfiguracao(VariavelDeAmbiente, diretorio.toStdString());
  // The certificate route never asks the portal: its settings do not matter then.
  std::string problema = rotaCertificado ? ProblemaDiretorio(config.Diretorio) : ProblemaConfiguracao(config);
  if (problema.empty() && rotaCertificado) problema = ProblemaConfiguracaoDFe(dfe);
  if (!problema.empty()) {
    std::cerr << "salvexa-nfe: " << EscaparControles(problema) << std::endl;
    QGuiApplication::clipboard()->setText(QString::fromUtf8(kMarcadorFim.data(), kMarcadorFim.size()));
    PreservarAreaDeTransferencia(QCoreApplication::applicationFilePath());
    return 2;
  }

  // The key as the calling program gave it, in the core's code page.
  std::optional<std::string> chave;
  if (argumento) chave = win1252::DeUtf8(QString::fromLocal8Bit(argumento->c_str()).toStdString());

  int saida = 0;
  if (rotaCertificado) {
    TfrmCertificado janela(config.Diretorio, std::move(dfe), chave);
    consultaEmCurso = janela.ConsultaEmCurso();
    FecharNosSinais(janela);
    if (!janela.Encerrada()) janela.show();  // a wrong key ends the run unseen
    saida = QApplication::exec();
  } else {
    TfrmPrincipal janela(config, chave);
    FecharNosSinais(janela);
    if (!janela.Encerrada()) janela.show();
    saida = QApplication::exec();
  }
  PreservarAreaDeTransferencia(QCoreApplication::applicationFilePath());
  return saida;
}

}  // namespace
