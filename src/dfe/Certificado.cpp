#include "dfe/Certificado.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "dfe/Desfecho.h"
#include "util/Win1252.h"

namespace {

template <auto F>
struct Liberar {
  template <typename T>
  void operator()(T* p) const {
    F(p);
  }
};
using Contexto = std::unique_ptr<OSSL_LIB_CTX, Liberar<OSSL_LIB_CTX_free>>;
using Provedor = std::unique_ptr<OSSL_PROVIDER, Liberar<OSSL_PROVIDER_unload>>;
using Bio = std::unique_ptr<BIO, Liberar<BIO_free_all>>;
using Pkcs12 = std::unique_ptr<PKCS12, Liberar<PKCS12_free>>;
using X509Ptr = std::unique_ptr<X509, Liberar<X509_free>>;
using Chave = std::unique_ptr<EVP_PKEY, Liberar<EVP_PKEY_free>>;
using Pilha = std::unique_ptr<STACK_OF(X509), Liberar<[](STACK_OF(X509) * s) { sk_X509_pop_free(s, X509_free); }>>;
using Nomes = std::unique_ptr<GENERAL_NAMES, Liberar<GENERAL_NAMES_free>>;

// The message is the parts one after the other (Windows-1252).
template <typename... Partes>
[[noreturn]] void Falhar(const Partes&... partes) {
  ERR_clear_error();
  std::string mensagem;
  (mensagem.append(std::string_view(partes)), ...);
  throw ErroDFe(Desfecho::Certificado, mensagem);
}

std::string LerArquivo(const std::string& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  if (!f) {
    const int erro = errno;
    Falhar("Não foi possível abrir o arquivo do certificado "_cp, win1252::DeUtf8(caminho), ": ",
           win1252::DeUtf8(std::strerror(erro)), ".");
  }
  std::ostringstream conteudo;
  conteudo << f.rdbuf();
  if (f.bad()) Falhar("Não foi possível ler o arquivo do certificado "_cp, win1252::DeUtf8(caminho), ".");
  return conteudo.str();
}

// The legacy encryptions (RC2-40, DES) live in OpenSSL 3's legacy provider.
// It is loaded into a library context of this load alone, made the thread's
// default while the file is decoded, so the rest of the program keeps OpenSSL's
// defaults.
class ContextoLegado {
 public:
  ContextoLegado() : contexto_(OSSL_LIB_CTX_new()) {
    if (!contexto_) Falhar("Não foi possível preparar o OpenSSL para ler o certificado."_cp);
    padrao_.reset(OSSL_PROVIDER_load(contexto_.get(), "default"));
    legado_.reset(OSSL_PROVIDER_load(contexto_.get(), "legacy"));  // absent: modern files still load
    anterior_ = OSSL_LIB_CTX_set0_default(contexto_.get());
  }
  ~ContextoLegado() { OSSL_LIB_CTX_set0_default(anterior_); }
  ContextoLegado(const ContextoLegado&) = delete;
  ContextoLegado& operator=(const ContextoLegado&) = delete;
  bool temLegado() const { return legado_ != nullptr; }

 private:
  Contexto contexto_;
  Provedor padrao_, legado_;
  OSSL_LIB_CTX* anterior_ = nullptr;
};

std::string Pem(int (*escrever)(BIO*, const X509*), X509* x) {
  Bio bio(BIO_new(BIO_s_mem()));
  if (!bio || escrever(bio.get(), x) != 1) Falhar("Não foi possível exportar o certificado."_cp);
  char* dados = nullptr;
  const long n = BIO_get_mem_data(bio.get(), &dados);
  return std::string(dados, static_cast<std::size_t>(n));
}

std::string ChavePem(EVP_PKEY* chave) {
  Bio bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_PrivateKey(bio.get(), chave, nullptr, nullptr, 0, nullptr, nullptr) != 1)
    Falhar("Não foi possível exportar a chave privada do certificado."_cp);
  char* dados = nullptr;
  const long n = BIO_get_mem_data(bio.get(), &dados);
  return std::string(dados, static_cast<std::size_t>(n));
}

std::chrono::system_clock::time_point Instante(const ASN1_TIME* t) {
  std::tm tm{};
  if (!t || ASN1_TIME_to_tm(t, &tm) != 1) Falhar("O certificado traz uma data de validade ilegível."_cp);
  return std::chrono::system_clock::from_time_t(timegm(&tm));
}

std::string Data(std::chrono::system_clock::time_point instante) {
  const std::time_t t = std::chrono::system_clock::to_time_t(instante);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char texto[16];
  std::strftime(texto, sizeof texto, "%d/%m/%Y", &tm);
  return texto;
}

std::string Titular(X509* cert) {
  X509_NAME* nome = X509_get_subject_name(cert);
  const int i = X509_NAME_get_index_by_NID(nome, NID_commonName, -1);
  if (i < 0) return "";
  unsigned char* utf8 = nullptr;
  const int n = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(nome, i)));
  if (n < 0) return "";
  std::string texto(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(n));
  OPENSSL_free(utf8);
  return win1252::DeUtf8(texto);
}

// The value of an otherName as text: ICP-Brasil certificates carry it as an
// OCTET STRING; the string types are accepted too.
std::string ValorOutroNome(const ASN1_TYPE* valor) {
  if (!valor) return "";
  switch (valor->type) {
    case V_ASN1_OCTET_STRING:
    case V_ASN1_UTF8STRING:
    case V_ASN1_PRINTABLESTRING:
    case V_ASN1_IA5STRING:
    case V_ASN1_VISIBLESTRING: {
      const ASN1_STRING* s = valor->value.asn1_string;
      return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(s)),
                         static_cast<std::size_t>(ASN1_STRING_length(s)));
    }
    default:
      return "";
  }
}

bool SoDigitos(std::string_view s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos; }

struct Documento {
  std::string numero;
  bool cpf = false;
};

// CNPJ from otherName 2.16.76.1.3.3; else the CPF of an e-CPF, otherName
// 2.16.76.1.3.1 = birth date (DDMMAAAA) followed by the CPF.
Documento DocumentoDoTitular(X509* cert) {
  Nomes nomes(static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr)));
  std::string cnpj, cpf;
  bool cnpjMalformado = false, cpfMalformado = false;
  for (int i = 0; nomes && i < sk_GENERAL_NAME_num(nomes.get()); ++i) {
    const GENERAL_NAME* nome = sk_GENERAL_NAME_value(nomes.get(), i);
    if (nome->type != GEN_OTHERNAME) continue;
    char oid[64];
    if (OBJ_obj2txt(oid, sizeof oid, nome->d.otherName->type_id, 1) <= 0) continue;
    const std::string valor = ValorOutroNome(nome->d.otherName->value);
    if (std::strcmp(oid, "2.16.76.1.3.3") == 0) {
      if (valor.size() == 14 && SoDigitos(valor))
        cnpj = valor;
      else
        cnpjMalformado = true;
    } else if (std::strcmp(oid, "2.16.76.1.3.1") == 0) {
      if (valor.size() >= 19 && SoDigitos(valor.substr(0, 19)))
        cpf = valor.substr(8, 11);
      else
        cpfMalformado = true;
    }
  }
  if (!cnpj.empty()) return {cnpj, false};
  if (!cpf.empty()) return {cpf, true};
  if (cnpjMalformado || cpfMalformado)
    Falhar("O CNPJ/CPF no certificado está malformado (nome alternativo 2.16.76.1.3.3 ou 2.16.76.1.3.1)."_cp);
  Falhar(
      "O certificado não traz CNPJ nem CPF no nome alternativo (2.16.76.1.3.3 ou 2.16.76.1.3.1): não é um "
      "e-CNPJ nem um e-CPF."_cp);
}

// The holder's data, without the key.
Certificado Descrever(X509* cert) {
  Certificado c;
  c.titular = Titular(cert);
  c.validoAte = Instante(X509_get0_notAfter(cert));
  const Documento doc = DocumentoDoTitular(cert);
  c.documento = doc.numero;
  c.cpf = doc.cpf;
  c.certificadoPem = Pem(PEM_write_bio_X509, cert);
  unsigned char* der = nullptr;
  const int n = i2d_X509(cert, &der);
  if (n <= 0) Falhar("Não foi possível exportar o certificado."_cp);
  c.certificadoDer.assign(reinterpret_cast<char*>(der), static_cast<std::size_t>(n));
  OPENSSL_free(der);
  return c;
}

}  // namespace

Certificado DescreverCertificadoPem(std::string_view pem) {
  Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  X509Ptr cert(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
  if (!cert) Falhar("O texto dado não é um certificado PEM."_cp);
  return Descrever(cert.get());
}

Certificado CarregarCertificado(const std::string& arquivoPfx, const std::string& senha,
                                std::chrono::system_clock::time_point agora) {
  const std::string conteudo = LerArquivo(arquivoPfx);
  const std::string nomeArquivo = win1252::DeUtf8(arquivoPfx);
  // Declared first, so that the objects made in it go before it does.
  ContextoLegado contexto;
  X509Ptr cert;
  Chave chave;
  Pilha cadeia;
  {
    ERR_clear_error();
    Bio entrada(BIO_new_mem_buf(conteudo.data(), static_cast<int>(conteudo.size())));
    Pkcs12 p12(entrada ? d2i_PKCS12_bio(entrada.get(), nullptr) : nullptr);
    if (!p12) Falhar("O arquivo "_cp, nomeArquivo, " não é um certificado A1 (PKCS#12, .pfx ou .p12)."_cp);
    const char* s = senha.c_str();
    if (PKCS12_mac_present(p12.get())) {
      // An empty password may have been stored as none at all.
      if (PKCS12_verify_mac(p12.get(), s, -1) != 1) {
        if (!senha.empty() || PKCS12_verify_mac(p12.get(), nullptr, 0) != 1)
          Falhar("Senha incorreta para o certificado "_cp, nomeArquivo, ".");
        s = nullptr;
      }
    }
    EVP_PKEY* k = nullptr;
    X509* x = nullptr;
    STACK_OF(X509)* ca = nullptr;
    if (PKCS12_parse(p12.get(), s, &k, &x, &ca) != 1) {
      const unsigned long erro = ERR_peek_last_error();
      const bool algoritmo = ERR_GET_REASON(erro) == ERR_R_UNSUPPORTED || !contexto.temLegado();
      Falhar("Não foi possível abrir o certificado "_cp, nomeArquivo,
             algoritmo ? ": cifra não suportada por este OpenSSL."_cp : std::string_view("."));
    }
    chave.reset(k);
    cert.reset(x);
    cadeia.reset(ca);
  }
  // Without a key the certificate lands among the authorities: say what is missing.
  if (!chave) Falhar("O arquivo "_cp, nomeArquivo, " não contém a chave privada do certificado."_cp);
  if (!cert) Falhar("O arquivo "_cp, nomeArquivo, " não contém certificado."_cp);
  if (X509_check_private_key(cert.get(), chave.get()) != 1)
    Falhar("A chave privada do arquivo "_cp, nomeArquivo, " não corresponde ao certificado."_cp);

  Certificado c = Descrever(cert.get());
  const auto validoDesde = Instante(X509_get0_notBefore(cert.get()));
  const std::string quem = c.titular.empty() ? nomeArquivo : c.titular;
  if (agora > c.validoAte) Falhar("O certificado de "_cp, quem, " venceu em ", Data(c.validoAte), ".");
  if (agora < validoDesde) Falhar("O certificado de "_cp, quem, " só vale a partir de "_cp, Data(validoDesde), ".");
  c.chavePem = ChavePem(chave.get());
  for (int i = 0; cadeia && i < sk_X509_num(cadeia.get()); ++i)
    c.cadeiaPem += Pem(PEM_write_bio_X509, sk_X509_value(cadeia.get(), i));
  return c;
}
