// salvexa-nfe [KEY]: recovers the NF-e XML of an access key from the portal's
// complete consultation, in a window, and ends with "Fim Salvexa NF-e" on the
// clipboard for a calling program.

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

#include "app/AreaDeTransferencia.h"
#include "app/Portal.h"
#include "app/principal.h"

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
                             (default: the program's own directory)

As root the embedded browser runs without its sandbox.
)";

std::optional<std::string> Ambiente(std::string_view nome) {
  if (const char* valor = std::getenv(std::string(nome).c_str())) return std::string(valor);
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<std::string> argumento =
      argc > 1 ? std::optional<std::string>(argv[1]) : std::nullopt;
  if (argumento == "--help" || argumento == "-h") {
    std::cout << kAjuda;
    return 0;
  }
  if (argumento == kOpcaoServirMarcador) {
    if (argc < 3) return 2;
    QGuiApplication app(argc, argv);
    return ServirAreaDeTransferencia(QString::fromLocal8Bit(argv[2]));
  }

  // Chromium refuses to start its sandbox as root.
  if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);

  const TConfiguracaoPortal config = LerConfiguracao(Ambiente, QCoreApplication::applicationDirPath().toStdString());
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
    if (!janela.Encerrada()) janela.show();  // a wrong key ends the run unseen
    saida = QApplication::exec();
  }
  PreservarAreaDeTransferencia(QCoreApplication::applicationFilePath());
  return saida;
}
