#pragma once
// What both routes' windows share: the text conversions at the Qt edge, the
// standard error lines, the widgets of the classic layout and the dialogs that
// say when they have the keyboard.

#include <QString>
#include <string>
#include <string_view>

class QDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Windows-1252 <-> Qt.
QString Q(std::string_view textoWin1252);
std::string W(const QString& texto);

// What the program does, told on standard error for a person at a terminal
// and for a calling program's log: one line of the list in the README, in
// English, with whatever a page, a file name or the network put in it
// escaped. `texto` is UTF-8.
void Informar(std::string_view texto);

// A panel: a raised bevel around its children.
QFrame* Painel(QWidget* pai, const char* nome, int x, int y, int w, int h);
QLabel* Rotulo(QWidget* pai, const char* nome, int x, int y, std::string_view textoWin1252);
QPushButton* Botao(QWidget* pai, const char* nome, int x, int y, const char* texto);

template <class T>
T* Componente(QWidget* pai, const char* nome, int x, int y, int w, int h) {
  auto* c = new T(pai);
  c->setObjectName(nome);
  c->setGeometry(x, y, w, h);
  return c;
}

// The fixed 642x151 window with the title, centred on its screen, and the
// key's panel at its top left; returns the key's field (disabled).
QLineEdit* PrepararJanela(QWidget& janela);

// Runs the dialog modally; `linha` (UTF-8) is told once the dialog has the
// keyboard (so whoever answers it knows a key now reaches it), or when it ends
// unseen. Returns exec()'s result.
int ExecutarDialogo(QDialog& dialogo, const std::string& linha);

// A message box with the text (Windows-1252), told as "message: TEXT".
void MostrarMensagem(QWidget* janela, std::string_view texto);
