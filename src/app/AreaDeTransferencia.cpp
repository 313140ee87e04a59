#include "app/AreaDeTransferencia.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>
#include <iostream>
#include <memory>
#include <xcb/xcb.h>

namespace {

// Whether a clipboard manager (the owner of the CLIPBOARD_MANAGER selection) runs.
bool GerenteDeAreaDeTransferencia() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return false;
  xcb_connection_t* conexao = x11->connection();
  static constexpr char kNome[] = "CLIPBOARD_MANAGER";
  const auto pedidoAtomo = xcb_intern_atom(conexao, 1, sizeof kNome - 1, kNome);
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atomo(xcb_intern_atom_reply(conexao, pedidoAtomo, nullptr),
                                                                  &free);
  if (!atomo || atomo->atom == XCB_ATOM_NONE) return false;
  const auto pedidoDono = xcb_get_selection_owner(conexao, atomo->atom);
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> dono(
      xcb_get_selection_owner_reply(conexao, pedidoDono, nullptr), &free);
  return dono && dono->owner != XCB_WINDOW_NONE;
}

}  // namespace

void PreservarAreaDeTransferencia(const QString& executavel) {
  if (QGuiApplication::platformName() != "xcb") return;
  QClipboard* area = QGuiApplication::clipboard();
  if (!area->ownsClipboard() || GerenteDeAreaDeTransferencia()) return;
  const QString texto = area->text();
  QEventLoop espera;
  QObject::connect(area, &QClipboard::changed, &espera, [&](QClipboard::Mode modo) {
    if (modo == QClipboard::Clipboard && !area->ownsClipboard()) espera.quit();
  });
  QProcess servidor;
  servidor.setProgram(executavel);
  servidor.setArguments({kOpcaoServirMarcador, texto});
  servidor.setStandardInputFile(QProcess::nullDevice());
  servidor.setStandardOutputFile(QProcess::nullDevice());
  if (!servidor.startDetached()) {
    std::cerr << "salvexa-nfe: cannot keep the end marker on the clipboard after the end" << std::endl;
    return;
  }
  // Bounded: a helper that cannot reach the display must not keep us here.
  QTimer::singleShot(10000, &espera, [&] {
    std::cerr << "salvexa-nfe: the clipboard helper did not take the clipboard" << std::endl;
    espera.quit();
  });
  if (area->ownsClipboard()) espera.exec();
}

int ServirAreaDeTransferencia(const QString& texto) {
  QClipboard* area = QGuiApplication::clipboard();
  area->setText(texto);
  if (!area->ownsClipboard()) return 1;
  QObject::connect(area, &QClipboard::changed, qGuiApp, [area](QClipboard::Mode modo) {
    if (modo == QClipboard::Clipboard && !area->ownsClipboard()) QCoreApplication::quit();
  });
  return QGuiApplication::exec();
}
