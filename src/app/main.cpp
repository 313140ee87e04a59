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
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "app/AreaDeTransferencia.h"
#include "app/Portal.h"
#include "app/principal.h"
#include "util/TextoSeguro.h"

namespace {

constexpr std::string_view kAjuda = R"(Usage: salvexa-nfe [KEY]

Consults the NF-e portal's complete consultation for the 44-digit access KEY
(without KEY, the text on the clipboard), shows the portal's captcha for you
to type, and saves the invoice as "<KEY>-nfe.xml". The saved file's path is
printed on standard output; what the program does and any alert of the XML
writer are told on standard error. Every end of a run, whatever the outcome,
leaves "Fim Salvexa NF-e" on the clipboard.

Environment:
  SALVEXA_PORTAL_HOST        the portal's host, optionally with ":port"
                             (default: www.nfe.fazenda.gov.br)
  SALVEXA_PORTAL_CONTENT_ID  the portal's "tipoConteudo" value
                             (default: XbSeqxE8pl8=)
  SALVEXA_DIR                directory of "captcha.gif" and the XML file
                             (default: the program's own directory when it
                             can be written, else the current directory)

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

std::optional<std::string> Ambiente(std::string_view nome) {
  if (const char* valor = std::getenv(std::string(nome).c_str())) return std::string(valor);
  return std::nullopt;
}

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
  // The embedded browser refuses to start its sandbox as root.
  if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  // The browser's own log lines (its processes write them straight to
  // standard error) only for fatal errors.
  if (const QByteArray opcoes = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"); !opcoes.contains("--log-level"))
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (opcoes + " --log-level=3").trimmed());
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);

  // Files go beside the program, where callers look for them; an installed
  // program's directory is not the user's to write, so then the current one.
  QString diretorio = QCoreApplication::applicationDirPath();
  if (!QFileInfo(diretorio).isWritable()) diretorio = QDir::currentPath();
  const TConfiguracaoPortal config = LerConfiguracao(Ambiente, diretorio.toStdString());
  if (const std::string problema = ProblemaConfiguracao(config); !problema.empty()) {
    std::cerr << "salvexa-nfe: " << problema << std::endl;
    QGuiApplication::clipboard()->setText(QString::fromUtf8(kMarcadorFim.data(), kMarcadorFim.size()));
    PreservarAreaDeTransferencia(QCoreApplication::applicationFilePath());
    return 2;
  }

  // The key as the calling program gave it, in the core's code page.
  std::optional<std::string> chave;
  if (argumento) chave = win1252::DeUtf8(QString::fromLocal8Bit(argumento->c_str()).toStdString());

  int saida = 0;
  {
    TfrmPrincipal janela(config, chave);
    FecharNosSinais(janela);
    if (!janela.Encerrada()) janela.show();  // a wrong key ends the run unseen
    saida = QApplication::exec();
  }
  PreservarAreaDeTransferencia(QCoreApplication::applicationFilePath());
  return saida;
}
