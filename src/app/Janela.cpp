#include "app/Janela.h"

#include <QDialog>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <functional>
#include <iostream>
#include <utility>

#include "app/Portal.h"
#include "util/TextoSeguro.h"
#include "util/Win1252.h"

QString Q(std::string_view textoWin1252) { return QString::fromStdString(win1252::ParaUtf8(textoWin1252)); }
std::string W(const QString& texto) { return win1252::DeUtf8(texto.toStdString()); }

void Informar(std::string_view texto) { std::cerr << "salvexa-nfe: " << EscaparControles(texto) << std::endl; }

QFrame* Painel(QWidget* pai, const char* nome, int x, int y, int w, int h) {
  auto* p = new QFrame(pai);
  p->setObjectName(nome);
  p->setFrameShape(QFrame::Panel);
  p->setFrameShadow(QFrame::Raised);
  p->setGeometry(x, y, w, h);
  return p;
}

QLabel* Rotulo(QWidget* pai, const char* nome, int x, int y, std::string_view textoWin1252) {
  auto* l = new QLabel(Q(textoWin1252), pai);
  l->setObjectName(nome);
  l->move(x, y);
  l->adjustSize();
  return l;
}

QPushButton* Botao(QWidget* pai, const char* nome, int x, int y, const char* texto) {
  auto* b = Componente<QPushButton>(pai, nome, x, y, 76, 27);
  b->setText(texto);
  return b;
}

QLineEdit* PrepararJanela(QWidget& janela) {
  janela.setObjectName("frmPrincipal");
  janela.setWindowTitle(Q(kTituloJanela));
  janela.setAttribute(Qt::WA_DeleteOnClose, false);
  QFont fonte = janela.font();
  fonte.setPointSize(8);
  janela.setFont(fonte);
  QFrame* painel = Painel(&janela, "Panel2", 0, 0, 351, 101);
  Rotulo(painel, "Label1", 8, 8, "Chave de acesso da nota fiscal: ");
  auto* chave = Componente<QLineEdit>(painel, "edtChaveNFe", 8, 24, 329, 21);
  chave->setEnabled(false);
  janela.setFixedSize(642, 151);
  if (const QScreen* tela = janela.screen()) janela.move(tela->availableGeometry().center() - janela.rect().center());
  return chave;
}

int ExecutarDialogo(QDialog& dialogo, const std::string& linha) {
  bool informada = false;
  const auto informar = [&] {
    if (!std::exchange(informada, true)) Informar(linha);
  };
  struct AoAtivar : QObject {
    std::function<void()> acao;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::WindowActivate) acao();
      return false;
    }
  } filtro;
  filtro.acao = informar;
  dialogo.installEventFilter(&filtro);
  const int resultado = dialogo.exec();
  informar();
  dialogo.removeEventFilter(&filtro);
  return resultado;
}

void MostrarMensagem(QWidget* janela, std::string_view texto) {
  QMessageBox caixa(QMessageBox::NoIcon, Q(kTituloJanela), Q(texto), QMessageBox::Ok, janela);
  caixa.setTextFormat(Qt::PlainText);  // texts may carry what a page or a file name holds
  ExecutarDialogo(caixa, "message: " + win1252::ParaUtf8(texto));
}
