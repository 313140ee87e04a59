#include "app/principal.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QWebEngineCookieStore>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <exception>
#include <filesystem>
#include <iostream>
#include <utility>

#include "app/Janela.h"
#include "converter/TextoPagina.h"
#include "converter/ZoltHTMLtoXML.h"
#include "util/ArquivoDuravel.h"
#include "util/ErroConversao.h"
#include "util/TextoSeguro.h"
#include "util/ZoltUtil.h"

namespace {

// A captcha is a small image: an answer larger than this is not one.
constexpr qint64 kMaximoCaptcha = qint64{1} << 20;
constexpr qint64 kBlocoCaptcha = qint64{64} << 10;

// The browser's code for a load cut short by another.
constexpr int kCargaInterrompida = -3;

// Why a page did not load, for a person: the browser's own text goes to
// standard error. Windows-1252.
std::string CausaDaFalhaDeCarga(const QWebEngineLoadingInfo& info) {
  switch (info.errorDomain()) {
    case QWebEngineLoadingInfo::HttpStatusCodeDomain:
      return "o portal respondeu com o erro HTTP " + std::to_string(info.errorCode());
    case QWebEngineLoadingInfo::CertificateErrorDomain:
      return std::string("o certificado do portal não é confiável"_cp);
    case QWebEngineLoadingInfo::DnsErrorDomain:
      return std::string("o endereço do portal não foi encontrado"_cp);
    case QWebEngineLoadingInfo::ConnectionErrorDomain:
      return std::string("não foi possível conectar ao portal"_cp);
    default:
      return std::string("falha na comunicação com o portal"_cp);
  }
}

}  // namespace

TfrmPrincipal::TfrmPrincipal(TConfiguracaoPortal config, std::optional<std::string> argumento)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      Config(std::move(config)),
      Argumento(std::move(argumento)),
      Perfil(std::make_unique<QWebEngineProfile>()) {  // no storage name: nothing kept between runs
  // No HTTP cache: a consultation never gets a stale page or captcha.
  Perfil->setHttpCacheType(QWebEngineProfile::NoCache);
  edtChaveNFe = PrepararJanela(*this);

  // The downloader shares the browser's cookies and uses the system's proxy settings.
  Cookies = new TCookiesDoNavegador(&Rede);
  Rede.setCookieJar(Cookies);
  struct ProxyDoSistema : QNetworkProxyFactory {
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& consulta) override {
      return systemProxyForQuery(consulta);
    }
  };
  Rede.setProxyFactory(new ProxyDoSistema);
  QWebEngineCookieStore* loja = Perfil->cookieStore();
  QObject::connect(loja, &QWebEngineCookieStore::cookieAdded, this,
                   [this](const QNetworkCookie& c) { Cookies->insertCookie(c); });
  QObject::connect(loja, &QWebEngineCookieStore::cookieRemoved, this,
                   [this](const QNetworkCookie& c) { Cookies->deleteCookie(c); });

  CriarComponentes();

  Timer1.setInterval(1000);
  QObject::connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  Timer1.start();

  FormCreate();
}

TfrmPrincipal::~TfrmPrincipal() {
  // The cookie jar goes before the profile: no cookie news may reach it then.
  QObject::disconnect(Perfil->cookieStore(), nullptr, this, nullptr);
  // The pages must go before the profile they were made with.
  delete WebBrowser1;
  delete WBXML;
}

void TfrmPrincipal::CriarComponentes() {
  Panel2 = static_cast<QFrame*>(edtChaveNFe->parentWidget());
  Label2 = Rotulo(Panel2, "Label2", 8, 48, "Digite o código da imagem ao lado: "_cp);
  edtCaptcha = Componente<QLineEdit>(Panel2, "edtCaptcha", 8, 63, 73, 21);
  edtCaptcha->setMaxLength(kTamanhoCaptcha);

  Panel3 = Painel(this, "Panel3", 0, 104, 351, 49);
  Button1 = Botao(Panel3, "Button1", 8, 11, "&Ok");
  lblStatus = Componente<QLabel>(Panel3, "lblStatus", 104, 18, 73, 13);
  lblStatus->setText("Conectando");
  lblStatus->setAlignment(Qt::AlignCenter);
  lblStatus->hide();
  ProgressBar1 = Componente<QProgressBar>(Panel3, "ProgressBar1", 176, 17, 161, 17);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->hide();
  btnPegarHTML = Botao(Panel3, "btnPegarHTML", 114, 46, "Pegar HTML");
  btnNovaConsulta = Botao(Panel3, "btnNovaConsulta", 192, 46, "Nova Consulta");
  btnGerarXML = Botao(Panel3, "btnGerarXML", 270, 46, "Gerar XML");
  for (QPushButton* b : {btnPegarHTML, btnNovaConsulta, btnGerarXML}) {
    b->hide();
    b->setEnabled(false);
  }

  Panel4 = Painel(this, "Panel4", 353, -3, 293, 156);
  Image1 = Componente<QLabel>(Panel4, "Image1", 15, 18, 262, 105);
  Image1->setAlignment(Qt::AlignCenter);
  Label3 = Componente<QLabel>(Panel4, "Label3", 1, 130, 291, 25);
  Label3->setText(Q("Clique aqui caso não consiga visualizar a imagem"_cp));
  Label3->setAlignment(Qt::AlignCenter);
  Label3->setCursor(Qt::PointingHandCursor);
  Label3->setStyleSheet("color: blue;");
  QFont verdana("Verdana", 7);
  verdana.setUnderline(true);
  Label3->setFont(verdana);
  Label3->installEventFilter(this);

  WebBrowser1 = Componente<QWebEngineView>(this, "WebBrowser1", 280, 8, 0, 0);
  WebBrowser1->setPage(new QWebEnginePage(Perfil.get(), WebBrowser1));
  // Hidden until the portal itself has to be shown: disabled, neither Tab
  // nor a page's script can take the keyboard into it.
  WebBrowser1->setEnabled(false);

  PageControl1 = Componente<QTabWidget>(this, "PageControl1", 4, 200, 643, 193);
  // Below the window's fixed height, out of sight: no keyboard there either.
  PageControl1->setEnabled(false);
  Memo2 = new QPlainTextEdit;
  Memo2->setObjectName("Memo2");
  Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  PageControl1->addTab(Memo2, "Dados HTML");
  auto* Panel1 = new QFrame;
  Panel1->setObjectName("Panel1");
  WBXML = Componente<QWebEngineView>(Panel1, "WBXML", 0, 0, 635, 165);
  WBXML->setPage(new QWebEnginePage(Perfil.get(), WBXML));
  PageControl1->addTab(Panel1, "Dados XML");
  auto* TabSheet3 = new QWidget;
  auto* Label4 = Componente<QLabel>(TabSheet3, "Label4", 8, 8, 620, 100);
  Label4->setText(Q(kTextoSobre));
  Label4->setWordWrap(true);
  Label4->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  QFont negrito = font();
  negrito.setBold(true);
  Label4->setFont(negrito);
  auto* Label5 = Componente<QLabel>(TabSheet3, "Label5", 8, 118, 620, 40);
  Label5->setText(Q(kAvisoSobre));
  Label5->setWordWrap(true);
  Label5->setFont(negrito);
  Label5->setStyleSheet("color: red;");
  Rotulo(TabSheet3, "Label6", 8, 160, "");
  PageControl1->addTab(TabSheet3, "Sobre");
  PageControl1->setCurrentIndex(0);

  QObject::connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  QObject::connect(btnPegarHTML, &QPushButton::clicked, this, [this] { EnviarConsulta(); });
  QObject::connect(btnNovaConsulta, &QPushButton::clicked, this, [this] { IniciarConsulta(); });
  QObject::connect(btnGerarXML, &QPushButton::clicked, this, [this] { GerarArquivoXML(); });
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  esc->setContext(Qt::WindowShortcut);
  QObject::connect(esc, &QShortcut::activated, this, [this] { close(); });

  QWebEnginePage* pagina = WebBrowser1->page();
  // Queued: the handler waits for scripts and downloads, which the browser
  // cannot answer while it is still inside its own notification.
  QObject::connect(pagina, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
    QTimer::singleShot(0, this, [this, info] { WebBrowser1LoadingChanged(info); });
  });
  QObject::connect(pagina, &QWebEnginePage::loadProgress, this,
                   [this](int progresso) { WebBrowser1ProgressChange(progresso == 100 ? -1 : progresso, 100); });
}

// ---- Handlers ----

void TfrmPrincipal::FormCreate() { LerChaveInicial(); }

void TfrmPrincipal::closeEvent(QCloseEvent* evento) {
  Finalizar();
  evento->accept();
}

bool TfrmPrincipal::eventFilter(QObject* objeto, QEvent* evento) {
  if (objeto == Label3 && evento->type() == QEvent::MouseButtonRelease) {
    Label3Click();
    return true;
  }
  return QWidget::eventFilter(objeto, evento);
}

void TfrmPrincipal::resizeEvent(QResizeEvent* evento) {
  QWidget::resizeEvent(evento);
  if (PortalVisivel) WebBrowser1->setGeometry(0, 151, width(), height() - 151);
}

void TfrmPrincipal::Button1Click() { EnviarConsulta(); }

void TfrmPrincipal::Label3Click() { IniciarConsulta(); }

void TfrmPrincipal::Timer1Timer() {
  if (++ContadorEspera >= kTicksTempoEsgotado) {
    Timer1.stop();
    CancelarDownload();
    Mensagem(kMsgTempoExcedido);
    Finalizar();
  }
}

void TfrmPrincipal::WebBrowser1ProgressChange(int progresso, int maximo) {
  const TEstadoProgresso estado = CalcularProgresso(progresso, maximo);
  ProgressBar1->setVisible(estado.Visivel);
  lblStatus->setVisible(estado.Visivel);
  if (estado.Visivel) {
    ProgressBar1->setMaximum(estado.Maximo);
    ProgressBar1->setValue(estado.Posicao);
  }
}

void TfrmPrincipal::WebBrowser1LoadingChanged(const QWebEngineLoadingInfo& info) {
  if (Encerrando) return;
  if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
    WebBrowser1DocumentComplete();
    return;
  }
  // A load cut short by the next one (a new consultation, the print page) is no page at all.
  if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus || info.errorCode() == kCargaInterrompida) return;
  // The portal cannot be reached or refused the page: asking again at once
  // would fail the same way, so the person is told why and the run ends.
  const std::string endereco = W(info.url().toString());
  Informar("page load failed: " + win1252::ParaUtf8(endereco) + ": " +
           (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain
                ? "HTTP " + std::to_string(info.errorCode())
                : info.errorString().toStdString()));
  Mensagem(std::string("Não foi possível carregar a página do portal da NF-e ("_cp) + endereco +
           "): " + CausaDaFalhaDeCarga(info) + ".");
  Finalizar();
}

void TfrmPrincipal::WebBrowser1DocumentComplete() {
  const std::string endereco = WebBrowser1->url().toString(QUrl::FullyEncoded).toStdString();
  switch (ReconhecerPagina(endereco, Config)) {
    case TPaginaPortal::Consulta:
      AcaoCaptcha();
      break;
    case TPaginaPortal::Visualizacao:
      WebBrowser1->load(QUrl(QString::fromStdString(EnderecoImpressao(Config))));
      break;
    case TPaginaPortal::ConsultaCompleta:
      AcaoCaptura();
      break;
    case TPaginaPortal::Inexistente:
      Mensagem(kMsgInexistente);
      if (Encerrando) return;
      Image1->clear();
      btnGerarXML->setEnabled(true);
      btnNovaConsulta->setEnabled(true);
      Finalizar();
      break;
    case TPaginaPortal::Inesperada:
      PaginaInesperada("unexpected page " + endereco);
      break;
  }
}

void TfrmPrincipal::PaginaInesperada(const std::string& motivo) {
  Informar(motivo);
  Mensagem(kMsgErroCarregando);
  if (Encerrando) return;
  Image1->clear();
  btnGerarXML->setEnabled(true);
  btnNovaConsulta->setEnabled(true);
  IniciarConsulta();
}

// ---- Workflow ----

void TfrmPrincipal::LerChaveInicial() {
  const std::string areaTransferencia = W(QGuiApplication::clipboard()->text());
  if (const auto chave = ChaveInicial(Argumento, areaTransferencia)) {
    edtChaveNFe->setText(Q(*chave));
    edtChaveNFe->deselect();
  } else {
    Informar("the access key must have 44 characters; nothing to consult");
    Finalizar();
  }
  IniciarConsulta();
}

void TfrmPrincipal::IniciarConsulta() {
  if (Encerrando) return;  // the run is over: no new page
  btnNovaConsulta->setEnabled(false);
  btnGerarXML->setEnabled(false);
  edtCaptcha->clear();
  Button1->setEnabled(true);
  LimparCacheURL();
  Memo2->clear();
  TextoPagina.clear();
  WebBrowser1->load(QUrl(QString::fromStdString(EnderecoConsulta(Config))));
}

void TfrmPrincipal::EnviarConsulta() {
  ContadorEspera = 0;
  const std::string chave = ApenasDigitos(W(edtChaveNFe->text()));
  edtChaveNFe->setText(Q(chave));
  const std::string captcha = W(edtCaptcha->text());
  switch (ConferirConsulta(chave, captcha)) {
    case TConferenciaConsulta::ChaveInvalida:
      Mensagem(kMsgChaveInvalida);
      if (edtChaveNFe->isEnabled()) edtChaveNFe->setFocus();
      return;
    case TConferenciaConsulta::CaptchaCurto:
      Mensagem(kMsgDigiteCaptcha);
      edtCaptcha->setFocus();
      return;
    case TConferenciaConsulta::Ok:
      break;
  }
  Memo2->clear();
  TextoPagina.clear();
  for (QPushButton* b : {Button1, btnPegarHTML, btnNovaConsulta, btnGerarXML}) b->setEnabled(false);
  EnviarFormulario(chave, captcha);
  PageControl1->setCurrentIndex(0);
}

void TfrmPrincipal::GerarArquivoXML() {
  TResultadoConversao resultado;
  try {
    resultado = ConverterPaginaNFe(TextoPagina, Config.Diretorio);
  } catch (const ErroConversao& e) {
    // No file: the window stays, so the person sees why, until the time-out.
    Mensagem(std::string("Erro na conversão da página: "_cp) + e.what());
    return;
  } catch (const std::exception& e) {
    Informar(std::string("cannot save the XML file: ") + QString::fromLocal8Bit(e.what()).toStdString());
    Mensagem(std::string("Não foi possível gravar o arquivo XML na pasta "_cp) +
             W(QString::fromLocal8Bit(Config.Diretorio.c_str())) + ".");
    return;
  }
  if (!resultado.Encontrada) {
    Mensagem(MensagemNFeInexistente);
  } else {
    ArquivoXML = resultado.Caminho;
    const QString caminho = QFileInfo(QString::fromStdString(ArquivoXML)).absoluteFilePath();
    WBXML->load(QUrl::fromLocalFile(caminho));
    if (!resultado.Alertas.empty()) {
      // The file is saved, but the writer found values it could not write as the layout asks.
      Informar(std::to_string(resultado.Alertas.size()) + " alert(s) while writing the XML");
      for (const std::string& alerta : resultado.Alertas) Informar("alert: " + win1252::ParaUtf8(alerta));
    }
    std::cout << caminho.toStdString() << std::endl;
  }
  btnNovaConsulta->setEnabled(true);
  btnPegarHTML->setEnabled(true);
  Finalizar();
}

void TfrmPrincipal::Finalizar() {
  Encerrando = true;
  CancelarDownload();
  QGuiApplication::clipboard()->setText(Q(kMarcadorFim));
  // Queued, so a call before the event loop starts still ends the application.
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

// ---- Portal pages ----

void TfrmPrincipal::AcaoCaptcha() {
  ExecutarScript(kScriptImagens, [this](const QVariant& valor) {
    BaixarCaptchas(valor.toString().split('\n', Qt::SkipEmptyParts), std::nullopt);
  });
}

void TfrmPrincipal::BaixarCaptchas(QStringList imagens, std::optional<QByteArray> imagem) {
  // Every image with the captcha address, one after the other: the portal
  // takes the last captcha it made.
  const QString captcha = QString::fromStdString(EnderecoCaptcha(Config));
  while (!imagens.isEmpty()) {
    const QString fonte = imagens.takeFirst();
    if (fonte != captcha) continue;
    // A failure has been told; "Clique aqui ..." asks for a new captcha.
    BaixarCaptcha(fonte, [this, imagens](std::optional<QByteArray> baixada) {
      if (baixada) BaixarCaptchas(imagens, std::move(baixada));
    });
    return;
  }
  if (!imagem) {
    MostrarPortal();
    return;
  }
  // Saved whole under its name, replacing whatever stands there (a link is
  // not followed, a FIFO not opened); a failed save leaves no partial file.
  const std::string arquivo = (std::filesystem::path(Config.Diretorio) / "captcha.gif").string();
  try {
    GravarArquivoDuravel(arquivo, std::string_view(imagem->constData(), std::size_t(imagem->size())));
  } catch (const std::exception& e) {
    Informar(std::string("cannot save the captcha: ") + QString::fromLocal8Bit(e.what()).toStdString());
    Mensagem(std::string("Não foi possível gravar a imagem do captcha na pasta "_cp) +
             W(QString::fromLocal8Bit(Config.Diretorio.c_str())) + ".");
    return;
  }
  QPixmap figura;
  figura.loadFromData(*imagem);
  Image1->setPixmap(figura);
  btnPegarHTML->setEnabled(true);
  activateWindow();
  edtCaptcha->setFocus();
  Informar("captcha shown; type it and press Alt+O");
}

void TfrmPrincipal::MostrarPortal() {
  // The portal asks for something this window does not know: let the person
  // answer it in the portal's own page; pages are still followed by location.
  ExecutarScript(ScriptPreencherChave(W(edtChaveNFe->text())), [](const QVariant&) {});
  if (PortalVisivel) return;
  PortalVisivel = true;
  setMinimumSize(642, 400);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  resize(1000, 750);
  if (const QScreen* tela = screen()) {
    resize(size().boundedTo(tela->availableGeometry().size()));
    move(tela->availableGeometry().center() - rect().center());
  }
  WebBrowser1->setGeometry(0, 151, width(), height() - 151);
  WebBrowser1->raise();
  WebBrowser1->setEnabled(true);
  WebBrowser1->setFocus();
  Informar("the consultation page has no captcha image: answer the portal's page in the window");
}

void TfrmPrincipal::AcaoCaptura() {
  ExecutarScript(kScriptCorpo, [this](const QVariant& corpo) {
    if (!corpo.isValid() || corpo.isNull()) {  // the body is still on its way: ask again after the events
      QTimer::singleShot(50, this, [this] { AcaoCaptura(); });
      return;
    }
    TextoPagina = LimparTextoCapturado(W(corpo.toString()));
    Memo2->setPlainText(Q(TextoPagina));
    Image1->clear();
    btnGerarXML->setEnabled(true);
    GerarArquivoXML();
  });
}

void TfrmPrincipal::EnviarFormulario(const std::string& chave, const std::string& captcha) {
  ExecutarScript(ScriptEnviarFormulario(chave, captcha), [this](const QVariant& valor) {
    if (const QString faltando = valor.toString(); !faltando.isEmpty()) {
      btnNovaConsulta->setEnabled(true);
      Informar("the portal's form has no element named " + faltando.toStdString());
      Mensagem(std::string("O formulário de consulta do portal mudou: falta o campo "_cp) + W(faltando) + ".");
    }
  });
}

void TfrmPrincipal::LimparCacheURL() {
  // The profile keeps no HTTP cache (see the constructor), so every page and
  // captcha comes from the portal and there is nothing to purge. Asking the
  // browser to clear its cache anyway can stall the navigation that follows.
}

void TfrmPrincipal::BaixarCaptcha(const QString& endereco, std::function<void(std::optional<QByteArray>)> depois) {
  QNetworkRequest pedido{QUrl(endereco)};
  pedido.setHeader(QNetworkRequest::UserAgentHeader, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
  // The request carries the portal's session cookie: it follows no redirect
  // to another scheme, host or port.
  pedido.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
  QNetworkReply* resposta = Rede.get(pedido);
  // One bounded block per event: an endless answer neither fills the memory
  // nor keeps the event loop (the time-out, the signals, the window) waiting.
  resposta->setReadBufferSize(kBlocoCaptcha);
  Download = resposta;
  auto imagem = std::make_shared<QByteArray>();
  auto grandeDemais = std::make_shared<bool>(false);
  const auto ler = [resposta, imagem, grandeDemais] {
    if (*grandeDemais) return;
    imagem->append(resposta->read(kMaximoCaptcha + 1 - imagem->size()));
    if (imagem->size() > kMaximoCaptcha) {
      *grandeDemais = true;
      resposta->abort();
    }
  };
  QObject::connect(resposta, &QNetworkReply::readyRead, this, ler);
  QObject::connect(resposta, &QNetworkReply::finished, this, [=, this] {
    resposta->deleteLater();
    if (resposta->error() == QNetworkReply::NoError) ler();
    // Cancelled by the run's end or time-out: nothing more to tell.
    if (Encerrando || (resposta->error() == QNetworkReply::OperationCanceledError && !*grandeDemais)) return;
    const std::string fonte = "captcha download failed: " + endereco.toStdString() + ": ";
    std::string causa;
    if (*grandeDemais) {
      Informar(fonte + "larger than " + std::to_string(kMaximoCaptcha) + " bytes");
      causa = "a imagem recebida passa de 1 MiB";
    } else if (resposta->error() == QNetworkReply::InsecureRedirectError ||
               resposta->error() == QNetworkReply::TooManyRedirectsError) {
      Informar(fonte + "redirected elsewhere: " + resposta->errorString().toStdString());
      causa = "o portal mandou buscá-la em outro endereço"_cp;
    } else if (resposta->error() != QNetworkReply::NoError) {
      Informar(fonte + resposta->errorString().toStdString());
      const int status = resposta->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
      causa = status ? "o portal respondeu com o erro HTTP " + std::to_string(status)
                     : std::string("falha na comunicação com o portal"_cp);
    } else {
      depois(*imagem);
      return;
    }
    Mensagem(std::string("Não foi possível obter a imagem do captcha: "_cp) + causa + ".");
    depois(std::nullopt);
  });
}

void TfrmPrincipal::CancelarDownload() {
  if (Download) Download->abort();
}

void TfrmPrincipal::ExecutarScript(std::string_view script, std::function<void(const QVariant&)> depois) {
  QPointer<TfrmPrincipal> janela(this);
  WebBrowser1->page()->runJavaScript(QString::fromStdString(std::string(script)),
                                     [janela, depois = std::move(depois)](const QVariant& valor) {
                                       if (janela && !janela->Encerrando) depois(valor);
                                     });
}

void TfrmPrincipal::Mensagem(std::string_view texto) {
  MostrarMensagem(this, texto);
  activateWindow();  // the keyboard back to the window, where the captcha is typed
}
