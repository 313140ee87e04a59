#pragma once
// The window of the certificate route: the same window and key as the
// portal's, a status line where the captcha would be, and the national
// distribution service queried with the company's certificate on a thread of
// its own, so the window answers (Esc, close, signals) while it waits.
// No browser exists in this route.

#include <QTimer>
#include <QWidget>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "dfe/Configuracao.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TfrmCertificado;

// What the window and the query's thread share. The thread reaches the window
// only through `janela`, under the lock, and never after the window is gone.
struct TrabalhoCertificado {
  std::mutex trava;
  std::condition_variable mudou;
  TfrmCertificado* janela = nullptr;  // null once the window is gone
  bool cancelado = false;             // the run has ended: no further request, nothing saved
  bool emCurso = false;
  std::optional<bool> ciencia;  // the person's answer to the acknowledgement's question
};

class TfrmCertificado : public QWidget {
 public:
  // `diretorio`: where the XML goes; `argumento`: the first command-line argument, when there is one.
  TfrmCertificado(std::string diretorio, ConfiguracaoDFe config, std::optional<std::string> argumento);
  ~TfrmCertificado() override;

  // Whether the run has ended (the end marker is on the clipboard).
  bool Encerrada() const { return Encerrando; }
  // Whether the query's thread is still at work; it may be after a time-out
  // or a signal ended the run, and then it is abandoned with the process.
  std::function<bool()> ConsultaEmCurso() const;

 protected:
  void closeEvent(QCloseEvent* evento) override;

 private:
  void CriarComponentes();
  void Iniciar();
  std::optional<std::string> PedirSenha();
  void IniciarConsulta(std::string senha);
  void Timer1Timer();
  void Status(std::string_view textoWin1252);

  // Called from the query's thread through the event loop.
  void PerguntarCiencia(const std::string& titular, const std::string& documento, bool cpf);
  void Concluir(const ResultadoConsulta& resultado);

  void Mensagem(std::string_view texto);
  // Runs a dialog with the run's clock stopped: a person's time is not the run's.
  int Dialogo(const std::function<int()>& executar);
  void Finalizar();

  std::string Diretorio;
  ConfiguracaoDFe Config;
  std::optional<std::string> Argumento;
  std::string Chave;
  std::shared_ptr<TrabalhoCertificado> Trabalho;
  int ContadorEspera = 0;
  bool Encerrando = false;
  bool TempoEsgotado = false;
  QTimer Timer1;

  QLineEdit* edtChaveNFe = nullptr;
  QLabel* lblCertificado = nullptr;
  QLabel* lblStatus = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* btnCancelar = nullptr;
};
