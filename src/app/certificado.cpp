#include "app/certificado.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <chrono>
#include <iostream>
#include <thread>
#include <utility>

#include "app/Janela.h"
#include "app/Portal.h"
#include "dfe/Certificado.h"
#include "dfe/Desfecho.h"
#include "util/Win1252.h"

namespace {

// 00.000.000/0000-00, or 000.000.000-00 for a CPF.
std::string DocumentoFormatado(const std::string& documento, bool cpf) {
  if (cpf && documento.size() == 11)
    return "CPF " + documento.substr(0, 3) + "." + documento.substr(3, 3) + "." + documento.substr(6, 3) + "-" +
           documento.substr(9);
  if (!cpf && documento.size() == 14)
    return "CNPJ " + documento.substr(0, 2) + "." + documento.substr(2, 3) + "." + documento.substr(5, 3) + "/" +
           documento.substr(8, 4) + "-" + documento.substr(12);
  return (cpf ? "CPF " : "CNPJ ") + documento;
}

// Runs `acao` on the window's thread, unless the window is gone.
void NaJanela(TrabalhoCertificado& t, std::function<void(TfrmCertificado&)> acao) {
  std::lock_guard trava(t.trava);
  if (!t.janela) return;
  TfrmCertificado* janela = t.janela;
  QMetaObject::invokeMethod(
      janela, [janela, acao = std::move(acao)] { acao(*janela); }, Qt::QueuedConnection);
}

}  // namespace

TfrmCertificado::TfrmCertificado(std::string diretorio, ConfiguracaoDFe config, std::optional<std::string> argumento)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      Diretorio(std::move(diretorio)),
      Config(std::move(config)),
      Argumento(std::move(argumento)),
      Trabalho(std::make_shared<TrabalhoCertificado>()) {
  Trabalho->janela = this;
  edtChaveNFe = PrepararJanela(*this);
  CriarComponentes();

  Timer1.setInterval(1000);
  QObject::connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  Timer1.start();

  const std::string areaTransferencia = W(QGuiApplication::clipboard()->text());
  if (const auto chave = ChaveInicial(Argumento, areaTransferencia)) {
    Chave = *chave;
    edtChaveNFe->setText(Q(Chave));
    edtChaveNFe->deselect();
    // Once the window is on screen: the password's dialog goes over it.
    QTimer::singleShot(0, this, [this] { Iniciar(); });
  } else {
    Informar("the access key must have 44 characters; nothing to consult");
    Finalizar();
  }
}

TfrmCertificado::~TfrmCertificado() {
  std::lock_guard trava(Trabalho->trava);
  Trabalho->janela = nullptr;
  Trabalho->cancelado = true;
  Trabalho->mudou.notify_all();
}

std::function<bool()> TfrmCertificado::ConsultaEmCurso() const {
  return [t = Trabalho] {
    std::lock_guard trava(t->trava);
    return t->emCurso;
  };
}

void TfrmCertificado::CriarComponentes() {
  auto* Panel2 = static_cast<QFrame*>(edtChaveNFe->parentWidget());
  Rotulo(Panel2, "Label2", 8, 48, "Certificado digital: ");
  lblCertificado = Componente<QLabel>(Panel2, "lblCertificado", 8, 63, 329, 21);
  const QString arquivo = QString::fromLocal8Bit(Config.certificado.c_str());
  lblCertificado->setText(fontMetrics().elidedText(QFileInfo(arquivo).fileName(), Qt::ElideMiddle, 325));
  lblCertificado->setToolTip(arquivo);
  lblCertificado->setFrameShape(QFrame::StyledPanel);
  lblCertificado->setFrameShadow(QFrame::Sunken);

  QFrame* Panel3 = Painel(this, "Panel3", 0, 104, 351, 49);
  btnCancelar = Botao(Panel3, "btnCancelar", 8, 11, "&Cancelar");
  ProgressBar1 = Componente<QProgressBar>(Panel3, "ProgressBar1", 104, 17, 233, 17);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setRange(0, 0);  // busy: the service tells no progress
  ProgressBar1->hide();

  QFrame* Panel4 = Painel(this, "Panel4", 353, -3, 293, 156);
  auto* titulo = Componente<QLabel>(Panel4, "Label3", 10, 14, 273, 20);
  titulo->setText(Q("Consulta com certificado digital"));
  titulo->setAlignment(Qt::AlignCenter);
  QFont negrito = font();
  negrito.setBold(true);
  titulo->setFont(negrito);
  lblStatus = Componente<QLabel>(Panel4, "lblStatus", 15, 40, 262, 95);
  lblStatus->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  lblStatus->setWordWrap(true);

  QObject::connect(btnCancelar, &QPushButton::clicked, this, [this] { close(); });
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  esc->setContext(Qt::WindowShortcut);
  QObject::connect(esc, &QShortcut::activated, this, [this] { close(); });
}

void TfrmCertificado::closeEvent(QCloseEvent* evento) {
  Finalizar();
  evento->accept();
}

void TfrmCertificado::Status(std::string_view textoWin1252) { lblStatus->setText(Q(textoWin1252)); }

void TfrmCertificado::Timer1Timer() {
  if (++ContadorEspera >= kTicksTempoEsgotado) {
    Timer1.stop();
    TempoEsgotado = true;
    Mensagem(kMsgTempoExcedido);
    Finalizar();
  }
}

int TfrmCertificado::Dialogo(const std::function<int()>& executar) {
  const bool contando = Timer1.isActive();
  Timer1.stop();
  const int resultado = executar();
  if (contando && !Encerrando) Timer1.start();
  return resultado;
}

void TfrmCertificado::Mensagem(std::string_view texto) {
  Dialogo([&] {
    MostrarMensagem(this, texto);
    return 0;
  });
}

void TfrmCertificado::Iniciar() {
  if (Encerrando) return;
  try {
    ConferirChave(Chave);  // before the password is asked for nothing
  } catch (const ErroDFe& e) {
    Mensagem(e.what());
    Finalizar();
    return;
  }
  std::optional<std::string> senha = Config.senha;
  if (!senha) senha = PedirSenha();
  if (Encerrando) return;
  if (!senha) {
    Informar("no certificate password given; nothing consulted");
    Finalizar();
    return;
  }
  IniciarConsulta(std::move(*senha));
}

std::optional<std::string> TfrmCertificado::PedirSenha() {
  Status("Aguardando a senha do certificado digital.");
  QInputDialog dialogo(this);
  dialogo.setWindowTitle(Q(kTituloJanela));
  dialogo.setInputMode(QInputDialog::TextInput);
  dialogo.setTextEchoMode(QLineEdit::Password);
  dialogo.setLabelText(Q("Senha do certificado digital "_cp) + QFileInfo(lblCertificado->toolTip()).fileName() + ":");
  dialogo.setOkButtonText("OK");
  dialogo.setCancelButtonText("Cancelar");
  dialogo.setMinimumWidth(360);
  const bool aceito =
      Dialogo([&] { return ExecutarDialogo(dialogo, "certificate password asked"); }) == QDialog::Accepted;
  QString texto = dialogo.textValue();
  dialogo.setTextValue(QString());
  if (!aceito || Encerrando) return std::nullopt;
  QByteArray utf8 = texto.toUtf8();
  std::string senha(utf8.constData(), std::size_t(utf8.size()));
  utf8.fill('\0');
  texto.fill(QChar(0));
  return senha;
}

void TfrmCertificado::IniciarConsulta(std::string senha) {
  Status("Abrindo o certificado digital.");
  ProgressBar1->show();
  Informar("querying the distribution service with the certificate");
  OpcoesConsulta opcoes = Config.consulta;
  opcoes.pastaSaida = Diretorio;
  {
    std::lock_guard trava(Trabalho->trava);
    Trabalho->emCurso = true;
  }
  // The thread holds the shared state, never the window: the window may be
  // gone before the service answers.
  std::thread([t = Trabalho, opcoes = std::move(opcoes), transporte = Config.transporte, arquivo = Config.certificado,
               chave = Chave, senha = std::move(senha)]() mutable {
    const auto relogio = [] { return std::chrono::system_clock::now(); };
    ResultadoConsulta r;
    try {
      const Certificado certificado = CarregarCertificado(arquivo, senha, relogio());
      senha.assign(senha.size(), '\0');
      NaJanela(*t, [titular = certificado.titular,
                    doc = DocumentoFormatado(certificado.documento, certificado.cpf)](TfrmCertificado& j) {
        j.Status(std::string("Consultando o Ambiente Nacional da NF-e com o certificado de "_cp) + titular + " (" +
                 doc + ").");
      });
      opcoes.pedirCiencia = [&t, &certificado] {
        {
          std::lock_guard trava(t->trava);
          t->ciencia.reset();
        }
        NaJanela(*t, [titular = certificado.titular, documento = certificado.documento,
                      cpf = certificado.cpf](TfrmCertificado& j) { j.PerguntarCiencia(titular, documento, cpf); });
        std::unique_lock trava(t->trava);
        t->mudou.wait(trava, [&] { return t->ciencia || t->cancelado; });
        return t->ciencia.value_or(false) && !t->cancelado;
      };
      // A run that has ended sends nothing more and saves nothing.
      const auto cancelado = [&t] {
        std::lock_guard trava(t->trava);
        if (t->cancelado) throw ErroDFe(Desfecho::Comunicacao, "A consulta foi interrompida.");
      };
      const Postar postar = [&](const std::string& url, const std::string& acao, const std::string& corpo) {
        cancelado();
        std::string resposta = PostarSoap(transporte, certificado, url, acao, corpo);
        cancelado();
        return resposta;
      };
      r = ConsultarChave(opcoes, certificado, chave, postar, relogio);
    } catch (const ErroDFe& e) {
      senha.assign(senha.size(), '\0');
      r = {e.desfecho(), e.what(), ""};
    }
    NaJanela(*t, [r](TfrmCertificado& j) { j.Concluir(r); });
    std::lock_guard trava(t->trava);
    t->emCurso = false;
  }).detach();
}

void TfrmCertificado::PerguntarCiencia(const std::string& titular, const std::string& documento, bool cpf) {
  bool sim = false;
  if (!Encerrando) {
    Status("O serviço entregou só o resumo da NF-e.");
    const std::string texto =
        std::string(
            "O serviço entregou só o resumo desta NF-e: o XML completo só é liberado depois que o "
            "destinatário se manifesta sobre a operação.\n\n"
            "Registrar agora a Ciência da Operação (evento 210210)? É um ato fiscal registrado no Ambiente "
            "Nacional em nome de "_cp) +
        titular + " (" + DocumentoFormatado(documento, cpf) +
        std::string(
            "), assinado com o certificado digital. Em seguida o XML é pedido de novo.\n\n"
            "Não: nenhum evento é enviado e nenhum arquivo é gravado."_cp);
    QMessageBox caixa(QMessageBox::Question, Q(kTituloJanela), Q(texto), QMessageBox::NoButton, this);
    caixa.setTextFormat(Qt::PlainText);  // the holder's name comes from the certificate
    QPushButton* registrar = caixa.addButton(Q("&Sim, registrar a ciência"_cp), QMessageBox::YesRole);
    QPushButton* nao = caixa.addButton(Q("&Não"_cp), QMessageBox::NoRole);
    // A fiscal act is never the default: Enter and Esc say no.
    caixa.setDefaultButton(nao);
    caixa.setEscapeButton(nao);
    Dialogo([&] { return ExecutarDialogo(caixa, "question: " + win1252::ParaUtf8(texto)); });
    sim = caixa.clickedButton() == registrar && !Encerrando;
    if (sim) Status("Registrando a ciência da operação e pedindo o XML de novo."_cp);
    activateWindow();
  }
  std::lock_guard trava(Trabalho->trava);
  Trabalho->ciencia = sim;
  Trabalho->mudou.notify_all();
}

void TfrmCertificado::Concluir(const ResultadoConsulta& resultado) {
  if (Encerrando) return;  // the run has ended; the thread's news come too late
  ProgressBar1->hide();
  if (resultado.desfecho == Desfecho::Salvo) {
    Status("XML original salvo.");
    std::cout << QFileInfo(QString::fromStdString(resultado.caminho)).absoluteFilePath().toStdString() << std::endl;
  }
  Informar(std::string("outcome: ") + NomeDesfecho(resultado.desfecho));
  if (TempoEsgotado) return;  // the time-out's message is on screen and ends the run
  if (resultado.desfecho != Desfecho::Salvo) {
    Status(resultado.mensagem);
    Timer1.stop();
    Mensagem(resultado.mensagem);
  }
  Finalizar();
}

void TfrmCertificado::Finalizar() {
  Encerrando = true;
  Timer1.stop();
  {
    std::lock_guard trava(Trabalho->trava);
    Trabalho->cancelado = true;
    Trabalho->mudou.notify_all();
  }
  QGuiApplication::clipboard()->setText(Q(kMarcadorFim));
  // Queued, so a call before the event loop starts still ends the application.
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
