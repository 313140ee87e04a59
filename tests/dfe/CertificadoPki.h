#pragma once
// Certificates for the tests, made with the openssl command in a temporary
// directory at test time (EC keys: quick to make).

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace teste {

// A directory removed with everything in it when the object goes.
class PastaTemporaria {
 public:
  PastaTemporaria();
  ~PastaTemporaria();
  PastaTemporaria(const PastaTemporaria&) = delete;
  PastaTemporaria& operator=(const PastaTemporaria&) = delete;
  const std::filesystem::path& caminho() const { return caminho_; }
  std::string operator/(const std::string& nome) const { return (caminho_ / nome).string(); }

 private:
  std::filesystem::path caminho_;
};

// Runs a shell command; throws with its output when it fails.
void Executar(const std::string& comando);

using OutrosNomes = std::vector<std::pair<std::string, std::string>>;  // OID, ASCII value

// The otherName entries of an e-CNPJ (responsible person's data, name, CNPJ, CEI).
OutrosNomes OutrosNomesEcnpj(const std::string& cnpj);

// A self-signed certificate valid for 30 days from now, with `nomes` as
// otherName entries of the subject alternative name (none: no such
// extension), exported as PKCS#12 `<pasta>/<nome>.pfx` with `senha`; the PEM
// files stay as `<nome>.pem` and `<nome>.key`. `opcoesPkcs12` go to
// `openssl pkcs12 -export` (e.g. "-legacy", "-nokeys"); `chave` to `openssl req
// -newkey` (RSA for signing events: the service's signatures are RSA).
std::string CriarPfx(const PastaTemporaria& pasta, const std::string& nome, const std::string& cn,
                     const OutrosNomes& nomes, const std::string& senha, const std::string& opcoesPkcs12 = "",
                     const std::string& chave = "ec -pkeyopt ec_paramgen_curve:P-256");

}  // namespace teste
