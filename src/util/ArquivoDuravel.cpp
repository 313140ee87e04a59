#include "util/ArquivoDuravel.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

namespace {

namespace fs = std::filesystem;

std::system_error Falha(int erro, const std::string& oque, const std::string& caminho) {
  return std::system_error(erro != 0 ? erro : EIO, std::generic_category(), oque + " '" + caminho + "'");
}

// Holds back the terminating signals for its lifetime: one that arrives
// meanwhile is delivered when the temporary is already gone.
class SinaisRetidos {
 public:
  SinaisRetidos() {
    sigset_t retidos;
    sigemptyset(&retidos);
    for (int s : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGXFSZ}) sigaddset(&retidos, s);
    pthread_sigmask(SIG_BLOCK, &retidos, &anteriores_);
  }
  ~SinaisRetidos() { pthread_sigmask(SIG_SETMASK, &anteriores_, nullptr); }
  SinaisRetidos(const SinaisRetidos&) = delete;
  SinaisRetidos& operator=(const SinaisRetidos&) = delete;

 private:
  sigset_t anteriores_;
};

// Closes the descriptor and removes a named temporary unless released.
struct Temporario {
  int fd = -1;
  std::string nome;  // empty while the file has no name
  ~Temporario() {
    if (fd >= 0) ::close(fd);
    if (!nome.empty()) ::unlink(nome.c_str());
  }
};

bool GravarTudo(int fd, std::string_view conteudo) {
  while (!conteudo.empty()) {
    const ssize_t n = ::write(fd, conteudo.data(), conteudo.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    conteudo.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A fresh name beside the target, tried by `criar` until one is free.
template <class Criar>
int ComNomeLivre(const std::string& destino, std::string& nome, Criar criar) {
  std::random_device aleatorio;
  for (int tentativa = 0; tentativa < 100; ++tentativa) {
    nome = destino + ".tmp" + std::to_string(aleatorio());
    if (criar(nome)) return 0;
    if (errno != EEXIST) break;
  }
  nome.clear();
  return errno != 0 ? errno : EEXIST;
}

}  // namespace

void GravarArquivoDuravel(const std::string& caminho, std::string_view conteudo, bool semNome) {
  const fs::path destino(caminho);
  const std::string pasta = destino.has_parent_path() ? destino.parent_path().string() : std::string(".");

  // A target the user made read-only is not theirs to lose; root's write
  // access ignores the mode, so the mode bits decide too.
  struct stat atual {};
  const bool existe = ::stat(caminho.c_str(), &atual) == 0 && S_ISREG(atual.st_mode);
  if (existe && ((atual.st_mode & 0222) == 0 || ::access(caminho.c_str(), W_OK) != 0))
    throw Falha(EACCES, "cannot replace read-only file", caminho);
  // The mode is kept only from a regular file of the user's own (not from
  // what a symbolic link points at), and never its set-id bits; otherwise
  // the new file gets the umask's.
  struct stat proprio {};
  const bool manterModo =
      ::lstat(caminho.c_str(), &proprio) == 0 && S_ISREG(proprio.st_mode) && proprio.st_uid == ::geteuid();

  const SinaisRetidos retidos;
  Temporario tmp;
  bool anonimo = false;
#ifdef O_TMPFILE
  if (semNome) {
    tmp.fd = ::open(pasta.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    anonimo = tmp.fd >= 0;
  }
#endif
  if (!anonimo) {
    const int erro = ComNomeLivre(caminho, tmp.nome, [&](const std::string& nome) {
      tmp.fd = ::open(nome.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
      return tmp.fd >= 0;
    });
    if (erro != 0) throw Falha(erro, "cannot create file", caminho);
  }

  if (!GravarTudo(tmp.fd, conteudo) || (manterModo && ::fchmod(tmp.fd, proprio.st_mode & 0777) != 0) ||
      ::fsync(tmp.fd) != 0)
    throw Falha(errno, "cannot write file", caminho);
  if (anonimo) {
    // linkat cannot replace a file: link under a fresh name, then rename.
    const std::string proprio = "/proc/self/fd/" + std::to_string(tmp.fd);
    const int erro = ComNomeLivre(caminho, tmp.nome, [&](const std::string& nome) {
      return ::linkat(AT_FDCWD, proprio.c_str(), AT_FDCWD, nome.c_str(), AT_SYMLINK_FOLLOW) == 0;
    });
    if (erro != 0) throw Falha(erro, "cannot create file", caminho);
  }
  const int fd = tmp.fd;
  tmp.fd = -1;
  if (::close(fd) != 0 && errno != EINTR) throw Falha(errno, "cannot write file", caminho);
  if (::rename(tmp.nome.c_str(), caminho.c_str()) != 0) throw Falha(errno, "cannot replace file", caminho);
  tmp.nome.clear();

  // The new name itself must reach the disk.
  const int dir = ::open(pasta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) throw Falha(errno, "cannot flush the directory of", caminho);
  const bool sincronizado = ::fsync(dir) == 0 || errno == EINVAL;
  const int erro = errno;
  ::close(dir);
  if (!sincronizado) throw Falha(erro, "cannot flush the directory of", caminho);
}
