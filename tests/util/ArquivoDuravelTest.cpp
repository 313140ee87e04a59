#include "util/ArquivoDuravel.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string Ler(const fs::path& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Both ways of saving: the unnamed temporary and the named fallback.
class ArquivoDuravel : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    // One folder per process: CTest runs the cases side by side.
    dir_ = fs::path(testing::TempDir()) /
           ("salvexa-duravel-" + std::to_string(getpid()) + "-" + std::to_string(GetParam()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    alvo_ = (dir_ / "nota-nfe.xml").string();
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(alvo_, fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  // The names in the directory: nothing but the target may be there.
  std::vector<std::string> Nomes() const {
    std::vector<std::string> nomes;
    for (const auto& e : fs::directory_iterator(dir_)) nomes.push_back(e.path().filename().string());
    return nomes;
  }
  // Saves in a child process under a file-size limit of 100 bytes.
  int SalvarAcimaDoLimite(bool ignorarSinal) const {
    const pid_t filho = fork();
    if (filho == 0) {
      const rlimit limite{100, 100};
      setrlimit(RLIMIT_FSIZE, &limite);
      signal(SIGXFSZ, ignorarSinal ? SIG_IGN : SIG_DFL);
      try {
        GravarArquivoDuravel(alvo_, std::string(5000, 'x'), GetParam());
      } catch (const std::system_error& e) {
        _exit(e.code().value() == EFBIG ? 5 : 6);
      }
      _exit(0);
    }
    int status = 0;
    waitpid(filho, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
  }

  fs::path dir_;
  std::string alvo_;
};

}  // namespace

TEST_P(ArquivoDuravel, SavesAndReplacesKeepingTheMode) {
  GravarArquivoDuravel(alvo_, "primeiro", GetParam());
  EXPECT_EQ(Ler(alvo_), "primeiro");
  fs::permissions(alvo_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  GravarArquivoDuravel(alvo_, "segundo", GetParam());
  EXPECT_EQ(Ler(alvo_), "segundo");
  EXPECT_EQ(fs::status(alvo_).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Nomes(), std::vector<std::string>{"nota-nfe.xml"});
}

TEST_P(ArquivoDuravel, ReadOnlyTargetIsRefusedAndKept) {
  GravarArquivoDuravel(alvo_, "antigo", GetParam());
  fs::permissions(alvo_, fs::perms::owner_read | fs::perms::group_read);
  try {
    GravarArquivoDuravel(alvo_, "novo", GetParam());
    FAIL() << "a read-only file was replaced";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code().value(), EACCES);
    EXPECT_NE(std::string(e.what()).find(alvo_), std::string::npos) << e.what();
  }
  EXPECT_EQ(Ler(alvo_), "antigo");
  EXPECT_EQ(fs::status(alvo_).permissions(), fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(Nomes(), std::vector<std::string>{"nota-nfe.xml"});
}

TEST_P(ArquivoDuravel, FileSizeLimitLeavesNothingPartial) {
  GravarArquivoDuravel(alvo_, "antigo", GetParam());
  // Caught (ignored): the save fails with EFBIG. Not caught: the signal ends
  // the process, but only once the temporary is gone.
  EXPECT_EQ(SalvarAcimaDoLimite(true), 5);
  EXPECT_EQ(SalvarAcimaDoLimite(false), 100 + SIGXFSZ);
  EXPECT_EQ(Ler(alvo_), "antigo");
  EXPECT_EQ(Nomes(), std::vector<std::string>{"nota-nfe.xml"});
}

TEST_P(ArquivoDuravel, MissingDirectoryRaisesWithThePath) {
  const std::string semPasta = (dir_ / "nao-existe" / "x-nfe.xml").string();
  try {
    GravarArquivoDuravel(semPasta, "x", GetParam());
    FAIL() << "saved into a missing directory";
  } catch (const std::system_error& e) {
    EXPECT_NE(std::string(e.what()).find(semPasta), std::string::npos) << e.what();
  }
}

// The mode comes only from a regular file of the user's own, never with its
// set-id bits: a symbolic link named like the target, pointing at a set-id
// file, or another user's file gives the umask's mode.
TEST_P(ArquivoDuravel, ModeOnlyFromTheUsersOwnRegularFileWithoutSetIdBits) {
  const mode_t umaskAnterior = ::umask(022);
  const fs::path outro = dir_ / "outro";
  struct Caso {
    const char* nome;
    mode_t modo;
    bool link;     // the target is a symbolic link to a file of that mode
    bool deOutro;  // the file belongs to another user
    mode_t esperado;
  };
  const Caso casos[] = {
      {"own file", 0640, false, false, 0640},
      {"own set-id file", 06777, false, false, 0777},
      {"link to an own set-id file", 06777, true, false, 0644},
      {"link to another user's set-id file", 06777, true, true, 0644},
      {"another user's file", 0666, false, true, 0644},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    fs::remove(alvo_);
    fs::remove(outro);
    const std::string arquivo = c.link ? outro.string() : alvo_;
    std::ofstream(arquivo) << "antigo";
    if (c.deOutro && ::chown(arquivo.c_str(), 65534, 65534) != 0) {
      std::cout << "[ SKIPPED  ] " << c.nome << ": only root can give a file to another user\n";
      continue;
    }
    ASSERT_EQ(::chmod(arquivo.c_str(), c.modo), 0);
    if (c.link) fs::create_symlink(outro, alvo_);
    GravarArquivoDuravel(alvo_, "novo", GetParam());
    struct stat st {};
    ASSERT_EQ(::lstat(alvo_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, c.esperado);
    EXPECT_EQ(Ler(alvo_), "novo");
    if (c.link) {
      EXPECT_EQ(Ler(outro), "antigo");
    }
  }
  ::umask(umaskAnterior);
}

namespace {

// Runs `salvar` in a child process after `preparar` (77: the child could not
// prepare); the child's exit status.
template <class Preparar, class Salvar>
int NoFilho(Preparar preparar, Salvar salvar) {
  const pid_t filho = fork();
  if (filho == 0) {
    if (!preparar()) _exit(77);
    try {
      _exit(salvar() ? 0 : 3);
    } catch (const std::system_error&) {
      _exit(4);
    }
  }
  int status = 0;
  waitpid(filho, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

}  // namespace

// A minimal container has no /proc, through which an unnamed file gets its
// name: the named temporary takes over.
TEST_P(ArquivoDuravel, SavesWithoutProc) {
  const int status = NoFilho(
      [] {
        return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount("semproc", "/proc", "tmpfs", 0, nullptr) == 0;
      },
      [&] { return GravarArquivoDuravel(alvo_, "sem proc", GetParam()); });
  if (status == 77) GTEST_SKIP() << "no mount namespace here to hide /proc in";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Ler(alvo_), "sem proc");
  EXPECT_EQ(Nomes(), std::vector<std::string>{"nota-nfe.xml"});
}

// A directory that can be written but not read cannot be flushed: the file is
// replaced all the same, and told as saved with the weaker guarantee.
TEST_P(ArquivoDuravel, DirectoryNotFlushedIsSavedWithTheWeakerGuarantee) {
  GravarArquivoDuravel(alvo_, "antigo", GetParam());
  ASSERT_EQ(::chmod(dir_.c_str(), 0300), 0);
  const bool raiz = ::geteuid() == 0;
  if (raiz) {
    ASSERT_EQ(::chown(dir_.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(alvo_.c_str(), 65534, 65534), 0);
  }
  // Root reads any directory: the save runs as another user then.
  const int status = NoFilho([&] { return !raiz || (::setgid(65534) == 0 && ::setuid(65534) == 0); },
                             [&] { return GravarArquivoDuravel(alvo_, "novo", GetParam()); });
  ASSERT_EQ(::chmod(dir_.c_str(), 0700), 0);
  EXPECT_EQ(status, 3) << "3: saved, directory not flushed; 4: reported as not saved";
  EXPECT_EQ(Ler(alvo_), "novo");
  EXPECT_EQ(Nomes(), std::vector<std::string>{"nota-nfe.xml"});
}

INSTANTIATE_TEST_SUITE_P(SemNomeENomeado, ArquivoDuravel, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "Unnamed" : "Named"; });
