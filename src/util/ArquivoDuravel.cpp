#include "util/ArquivoDuravel.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
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

// Data, mode and flush of a temporary, named or not.
void Preencher(int fd, std::string_view conteudo, const std::optional<mode_t>& modo, const std::string& caminho) {
  if (!GravarTudo(fd, conteudo) || (modo && ::fchmod(fd, *modo) != 0) || ::fsync(fd) != 0)
    throw Falha(errno, "cannot write file", caminho);
}

// The data in an unnamed file in the target's directory, then linked under a
// fresh name beside it. False (nothing left behind) where the file system has
// no unnamed files or the link cannot be made, such as without /proc.
bool GravarSemNome(const std::string& caminho, const std::string& pasta, std::string_view conteudo,
                   const std::optional<mode_t>& modo, Temporario& tmp) {
#ifdef O_TMPFILE
  tmp.fd = ::open(pasta.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (tmp.fd < 0) return false;
  Preencher(tmp.fd, conteudo, modo, caminho);
  // linkat cannot replace a file: link under a fresh name, then rename.
  const std::string proprio = "/proc/self/fd/" + std::to_string(tmp.fd);
  if (ComNomeLivre(caminho, tmp.nome, [&](const std::string& nome) {
        return ::linkat(AT_FDCWD, proprio.c_str(), AT_FDCWD, nome.c_str(), AT_SYMLINK_FOLLOW) == 0;
      }) == 0)
    return true;
  ::close(tmp.fd);
  tmp.fd = -1;
#else
  (void)caminho, (void)pasta, (void)conteudo, (void)modo, (void)tmp;
#endif
  return false;
}

}  // namespace

bool GravarArquivoDuravel(const std::string& caminho, std::string_view conteudo, bool semNome) {
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
  std::optional<mode_t> modo;
  if (::lstat(caminho.c_str(), &proprio) == 0 && S_ISREG(proprio.st_mode) && proprio.st_uid == ::geteuid())
    modo = proprio.st_mode & 0777;

  const SinaisRetidos retidos;
  Temporario tmp;
  if (!semNome || !GravarSemNome(caminho, pasta, conteudo, modo, tmp)) {
    const int erro = ComNomeLivre(caminho, tmp.nome, [&](const std::string& nome) {
      tmp.fd = ::open(nome.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
      return tmp.fd >= 0;
    });
    if (erro != 0) throw Falha(erro, "cannot create file", caminho);
    Preencher(tmp.fd, conteudo, modo, caminho);
  }
  const int fd = tmp.fd;
  tmp.fd = -1;
  if (::close(fd) != 0 && errno != EINTR) throw Falha(errno, "cannot write file", caminho);
  if (::rename(tmp.nome.c_str(), caminho.c_str()) != 0) throw Falha(errno, "cannot replace file", caminho);
  tmp.nome.clear();

  // The new name itself must reach the disk. The file is already replaced
  // when that fails: only the weaker guarantee is lost.
  const int dir = ::open(pasta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  const bool sincronizado = ::fsync(dir) == 0 || errno == EINVAL;
  ::close(dir);
  return sincronizado;
}
