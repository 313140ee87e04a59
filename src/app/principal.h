#pragma once
// The main window: one consultation of the NF-e portal, driven in a hidden
// embedded browser, from the captcha to the saved XML file. The rules that
// need no window live in app/Portal.h and in the converter.

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/Portal.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

// The browser's cookies as the downloader sees them: the captcha belongs to
// the browser's session, so its download must carry the same cookies.
class TCookiesDoNavegador : public QNetworkCookieJar {
 public:
  using QNetworkCookieJar::deleteCookie;
  using QNetworkCookieJar::insertCookie;
  using QNetworkCookieJar::QNetworkCookieJar;
};

class TfrmPrincipal : public QWidget {
 public:
  // `argumento`: the first command-line argument, when there is one.
  TfrmPrincipal(TConfiguracaoPortal config, std::optional<std::string> argumento);
  ~TfrmPrincipal() override;

  // Whether the run has ended (the end marker is on the clipboard).
  bool Encerrada() const { return Encerrando; }

 protected:
  void closeEvent(QCloseEvent* evento) override;
  void resizeEvent(QResizeEvent* evento) override;
  bool eventFilter(QObject* objeto, QEvent* evento) override;

 private:
  void CriarComponentes();
  void FormCreate();
  void Button1Click();
  void Label3Click();
  void Timer1Timer();
  void WebBrowser1ProgressChange(int progresso, int maximo);
  void WebBrowser1LoadingChanged(const QWebEngineLoadingInfo& info);
  void WebBrowser1DocumentComplete();

  void LerChaveInicial();
  void IniciarConsulta();
  void EnviarConsulta();
  void GerarArquivoXML();
  void Finalizar();

  // The browser answers scripts and downloads through the event loop, and it
  // cannot while a handler waits inside a nested one: each step goes on in
  // the callback of the one before, and the events run in between.
  void AcaoCaptcha();
  // Not a page of the portal's road: tell it and start a new consultation.
  void PaginaInesperada(const std::string& motivo);
  void BaixarCaptchas(QStringList imagens, std::optional<QByteArray> imagem);
  void AcaoCaptura();
  void EnviarFormulario(const std::string& chave, const std::string& captcha);
  void LimparCacheURL();
  // Downloads the captcha image at `endereco` (at most 1 MiB) with the
  // browser's cookies; `depois` gets the image, or nullopt once the person
  // has been told why there is none.
  void BaixarCaptcha(const QString& endereco, std::function<void(std::optional<QByteArray>)> depois);
  // Stops a captcha download under way (the run's end or time-out).
  void CancelarDownload();
  void MostrarPortal();

  // Runs a script in the portal's page; `depois` gets its value unless the run has ended.
  void ExecutarScript(std::string_view script, std::function<void(const QVariant&)> depois);
  void Mensagem(std::string_view texto);

  TConfiguracaoPortal Config;
  std::optional<std::string> Argumento;
  std::string ArquivoXML;
  std::string TextoPagina;  // the captured page text, Windows-1252, lines separated by CR LF
  int ContadorEspera = 0;
  bool Encerrando = false;
  bool PortalVisivel = false;

  // The profile outlives the views that use it; it keeps nothing on disk.
  std::unique_ptr<QWebEngineProfile> Perfil;
  QNetworkAccessManager Rede;
  QPointer<QNetworkReply> Download;        // the captcha download under way
  TCookiesDoNavegador* Cookies = nullptr;  // owned by Rede
  QTimer Timer1;

  // Children, owned by the window through Qt's parent chain.
  QFrame* Panel2 = nullptr;
  QLineEdit* edtChaveNFe = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* edtCaptcha = nullptr;
  QFrame* Panel3 = nullptr;
  QPushButton* Button1 = nullptr;
  QLabel* lblStatus = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* btnPegarHTML = nullptr;
  QPushButton* btnNovaConsulta = nullptr;
  QPushButton* btnGerarXML = nullptr;
  QFrame* Panel4 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label3 = nullptr;
  QWebEngineView* WebBrowser1 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  QWebEngineView* WBXML = nullptr;
};
