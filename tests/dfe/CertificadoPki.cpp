#include "CertificadoPki.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>

namespace teste {

PastaTemporaria::PastaTemporaria() {
  std::string modelo = (std::filesystem::temp_directory_path() / "salvexa-dfe-XXXXXX").string();
  if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp failed");
  caminho_ = modelo;
}

PastaTemporaria::~PastaTemporaria() {
  std::error_code ec;
  std::filesystem::remove_all(caminho_, ec);
}

void Executar(const std::string& comando) {
  FILE* p = popen((comando + " 2>&1").c_str(), "r");
  if (!p) throw std::runtime_error("popen failed: " + comando);
  std::string saida;
  std::array<char, 4096> bloco;
  while (std::fgets(bloco.data(), bloco.size(), p)) saida += bloco.data();
  const int status = pclose(p);
  if (status != 0) throw std::runtime_error(comando + " failed:\n" + saida);
}

OutrosNomes OutrosNomesEcnpj(const std::string& cnpj) {
  return {{"2.16.76.1.3.4", "01011980987654321000000000000000000000000000SSPSP"},
          {"2.16.76.1.3.2", "FULANO DE TAL"},
          {"2.16.76.1.3.3", cnpj},
          {"2.16.76.1.3.7", "000000000000"}};
}

std::string CriarPfx(const PastaTemporaria& pasta, const std::string& nome, const std::string& cn,
                     const OutrosNomes& nomes, const std::string& senha, const std::string& opcoesPkcs12,
                     const std::string& chave) {
  std::string extensoes = "[ext]\nbasicConstraints=critical,CA:FALSE\n";
  extensoes += "keyUsage=critical,digitalSignature,nonRepudiation,keyEncipherment\n";
  extensoes += "extendedKeyUsage=clientAuth,emailProtection\n";
  if (!nomes.empty()) {
    extensoes += "subjectAltName=@san\n[san]\n";
    for (std::size_t i = 0; i < nomes.size(); ++i)
      extensoes +=
          "otherName." + std::to_string(i + 1) + " = " + nomes[i].first + ";FORMAT:ASCII,OCT:" + nomes[i].second + "\n";
  }
  const std::string base = pasta / nome;
  std::ofstream(base + ".cnf") << "[req]\ndistinguished_name=dn\n[dn]\n" << extensoes;
  Executar("openssl req -x509 -newkey " + chave + " -nodes -days 30 -keyout '" + base + ".key' -out '" + base +
           ".pem' -subj '/C=BR/O=ICP-Brasil/CN=" + cn + "' -config '" + base + ".cnf' -extensions ext");
  std::ofstream(base + ".senha") << senha << "\n";
  Executar("openssl pkcs12 -export " + opcoesPkcs12 + " -inkey '" + base + ".key' -in '" + base + ".pem' -out '" +
           base + ".pfx' -passout 'file:" + base + ".senha'");
  return base + ".pfx";
}

}  // namespace teste
