#include "app/AreaDeTransferencia.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

xcb_connection_t* ConexaoX11() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atomo(xcb_connection_t* conexao, std::string_view nome) {
  const auto pedido = xcb_intern_atom(conexao, 0, uint16_t(nome.size()), nome.data());
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atomo(xcb_intern_atom_reply(conexao, pedido, nullptr),
                                                                  &free);
  return atomo ? atomo->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The window owning a selection, XCB_WINDOW_NONE when none does.
xcb_window_t DonoDaSelecao(xcb_connection_t* conexao, std::string_view selecao) {
  const xcb_atom_t atomo = Atomo(conexao, selecao);
  if (atomo == XCB_ATOM_NONE) return XCB_WINDOW_NONE;
  const auto pedido = xcb_get_selection_owner(conexao, atomo);
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> dono(
      xcb_get_selection_owner_reply(conexao, pedido, nullptr), &free);
  return dono ? dono->owner : xcb_window_t(XCB_WINDOW_NONE);
}

// Starts the hidden copy with nothing of ours but the environment: no
// descriptor (the caller's pipes, the browser's sockets) survives into it.
bool IniciarGuardiao(const std::string& executavel, const std::vector<std::string>& argumentos) {
  posix_spawn_file_actions_t acoes;
  posix_spawnattr_t atributos;
  posix_spawn_file_actions_init(&acoes);
  posix_spawnattr_init(&atributos);
  for (int fd : {0, 1, 2}) posix_spawn_file_actions_addopen(&acoes, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&acoes, 3);
  posix_spawn_file_actions_addchdir_np(&acoes, "/");
  sigset_t nenhum, todos;
  sigemptyset(&nenhum);
  sigfillset(&todos);
  posix_spawnattr_setsigmask(&atributos, &nenhum);
  posix_spawnattr_setsigdefault(&atributos, &todos);
  posix_spawnattr_setflags(&atributos, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> argv{const_cast<char*>(executavel.c_str())};
  for (const std::string& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int erro = posix_spawn(&pid, executavel.c_str(), &acoes, &atributos, argv.data(), environ);
  posix_spawn_file_actions_destroy(&acoes);
  posix_spawnattr_destroy(&atributos);
  return erro == 0;
}

}  // namespace

void PreservarAreaDeTransferencia(const QString& executavel) {
  if (QGuiApplication::platformName() != "xcb") return;
  QClipboard* area = QGuiApplication::clipboard();
  xcb_connection_t* conexao = ConexaoX11();
  if (!conexao || !area->ownsClipboard() || DonoDaSelecao(conexao, "CLIPBOARD_MANAGER") != XCB_WINDOW_NONE) return;
  const xcb_window_t dono = DonoDaSelecao(conexao, "CLIPBOARD");
  if (dono == XCB_WINDOW_NONE) return;
  QEventLoop espera;
  QObject::connect(area, &QClipboard::changed, &espera, [&](QClipboard::Mode modo) {
    if (modo == QClipboard::Clipboard && !area->ownsClipboard()) espera.quit();
  });
  if (!IniciarGuardiao(executavel.toStdString(),
                       {kOpcaoServirMarcador, std::to_string(dono), area->text().toLocal8Bit().toStdString()})) {
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

void DesligarDoChamador() {
  if (const int nulo = open("/dev/null", O_RDWR | O_CLOEXEC); nulo >= 0) {
    for (int fd : {0, 1, 2}) dup2(nulo, fd);
    if (nulo > 2) close(nulo);
  }
  close_range(3, ~0U, 0);
  [[maybe_unused]] const int dir = chdir("/");
  setsid();
}

int ServirAreaDeTransferencia(const QString& texto, std::uint32_t dono) {
  QClipboard* area = QGuiApplication::clipboard();
  xcb_connection_t* conexao = ConexaoX11();
  if (!conexao) return 1;
  // With the display grabbed no other client's request runs: the owner seen
  // here is still the owner when the clipboard is taken.
  xcb_grab_server(conexao);
  const bool aindaDoPrograma = DonoDaSelecao(conexao, "CLIPBOARD") == dono;
  if (aindaDoPrograma) area->setText(texto);
  xcb_ungrab_server(conexao);
  xcb_flush(conexao);
  if (!aindaDoPrograma) return 0;  // another program copied something: it stays
  if (!area->ownsClipboard()) return 1;
  QObject::connect(area, &QClipboard::changed, qGuiApp, [area](QClipboard::Mode modo) {
    if (modo == QClipboard::Clipboard && !area->ownsClipboard()) QCoreApplication::quit();
  });
  return QGuiApplication::exec();
}
