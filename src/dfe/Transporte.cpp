#include "dfe/Transporte.h"

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "dfe/Certificado.h"
#include "dfe/Desfecho.h"
#include "dfe/Xml.h"
#include "util/Win1252.h"

namespace {

// The message is the parts one after the other (Windows-1252).
template <typename... Partes>
[[noreturn]] void Falhar(const Partes&... partes) {
  std::string mensagem;
  (mensagem.append(std::string_view(partes)), ...);
  throw ErroDFe(Desfecho::Comunicacao, mensagem);
}

struct LiberarCurl {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// What the callbacks share with the request.
struct Troca {
  std::string resposta;
  std::size_t maximo = 0;
  bool excedeu = false;
  std::string raizesExtras;  // PEM: the shipped roots and caExtra
  bool raizesInvalidas = false;
};

std::size_t Receber(char* dados, std::size_t tamanho, std::size_t n, void* usuario) {
  auto* troca = static_cast<Troca*>(usuario);
  const std::size_t bytes = tamanho * n;
  if (troca->resposta.size() + bytes > troca->maximo) {
    troca->excedeu = true;
    return 0;  // curl stops with CURLE_WRITE_ERROR
  }
  troca->resposta.append(dados, bytes);
  return bytes;
}

// Adds the extra roots to the store curl already filled with the system's.
CURLcode PrepararTls(CURL*, void* sslCtx, void* usuario) {
  auto* troca = static_cast<Troca*>(usuario);
  X509_STORE* loja = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslCtx));
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(
      BIO_new_mem_buf(troca->raizesExtras.data(), static_cast<int>(troca->raizesExtras.size())), BIO_free);
  if (!bio) return CURLE_OUT_OF_MEMORY;
  int lidas = 0;
  while (X509* raiz = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
    X509_STORE_add_cert(loja, raiz);  // a root the system has too is simply there already
    X509_free(raiz);
    ++lidas;
  }
  ERR_clear_error();  // the end of the PEM text reads as an error
  if (lidas == 0) {
    troca->raizesInvalidas = true;
    return CURLE_SSL_CACERT_BADFILE;
  }
  return CURLE_OK;
}

std::string LerCaExtra(const std::string& arquivo) {
  std::ifstream f(arquivo, std::ios::binary);
  std::ostringstream conteudo;
  if (f) conteudo << f.rdbuf();
  if (!f || conteudo.str().find("-----BEGIN CERTIFICATE-----") == std::string::npos)
    Falhar("O arquivo de autoridades "_cp, win1252::DeUtf8(arquivo),
           " (SALVEXA_CA) não pôde ser lido ou não contém certificados PEM."_cp);
  return conteudo.str();
}

// The reason of a SOAP fault in the reply, or empty.
std::string MotivoDaFalha(const std::string& resposta) {
  const dfexml::Documento doc = dfexml::LerXml(resposta);
  return doc ? dfexml::MotivoDaFalha(dfexml::Raiz(doc)) : std::string();
}

std::string Host(const std::string& url) {
  const std::size_t inicio = url.find("://");
  const std::size_t de = inicio == std::string::npos ? 0 : inicio + 3;
  return win1252::DeUtf8(url.substr(de, url.find('/', de) - de));
}

}  // namespace

std::string PostarSoap(const OpcoesTransporte& opcoes, const Certificado& certificado, const std::string& url,
                       const std::string& action, const std::string& corpo) {
  if (url.rfind("https://", 0) != 0)
    Falhar(std::string("O endereço do serviço precisa ser https://: "_cp) + dfexml::ParaMensagem(url));
  Troca troca;
  troca.maximo = opcoes.respostaMaxima;
  troca.raizesExtras = std::string(RaizesEmbutidas());
  if (!opcoes.caExtra.empty()) troca.raizesExtras += "\n" + LerCaExtra(opcoes.caExtra);
  const std::string certificadoECadeia = certificado.certificadoPem + certificado.cadeiaPem;

  std::unique_ptr<CURL, LiberarCurl> curl(curl_easy_init());
  if (!curl) Falhar("Não foi possível iniciar o libcurl."_cp);
  const std::string tipo = "Content-Type: application/soap+xml; charset=utf-8; action=\"" + action + "\"";
  std::unique_ptr<curl_slist, LiberarCurl> cabecalhos(curl_slist_append(nullptr, tipo.c_str()));
  cabecalhos.reset(curl_slist_append(cabecalhos.release(), "Expect:"));  // no 100-continue round trip
  char erro[CURL_ERROR_SIZE] = "";
  curl_blob cert{const_cast<char*>(certificadoECadeia.data()), certificadoECadeia.size(), CURL_BLOB_COPY};
  curl_blob chave{const_cast<char*>(certificado.chavePem.data()), certificado.chavePem.size(), CURL_BLOB_COPY};

  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, erro);
  curl_easy_setopt(c, CURLOPT_POST, 1L);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, corpo.data());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(corpo.size()));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, cabecalhos.get());
  curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(c, CURLOPT_SSLCERT_BLOB, &cert);
  curl_easy_setopt(c, CURLOPT_SSLCERTTYPE, "PEM");
  curl_easy_setopt(c, CURLOPT_SSLKEY_BLOB, &chave);
  curl_easy_setopt(c, CURLOPT_SSLKEYTYPE, "PEM");
  curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, PrepararTls);
  curl_easy_setopt(c, CURLOPT_SSL_CTX_DATA, &troca);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, opcoes.conexaoSegundos);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, opcoes.totalSegundos);
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(opcoes.respostaMaxima));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Receber);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &troca);

  const CURLcode r = curl_easy_perform(c);
  const std::string host = Host(url);
  if (troca.excedeu || r == CURLE_FILESIZE_EXCEEDED)
    Falhar(std::string("A resposta de "_cp) + host + " passa de " + std::to_string(opcoes.respostaMaxima) +
           " bytes; recusada.");
  if (r != CURLE_OK) {
    const std::string detalhe = dfexml::ParaMensagem(erro[0] ? erro : curl_easy_strerror(r));
    switch (r) {
      case CURLE_OPERATION_TIMEDOUT:
        Falhar(std::string("O serviço em "_cp) + host + " não respondeu no tempo limite (" + detalhe + ").");
      case CURLE_PEER_FAILED_VERIFICATION:
        Falhar("O certificado do servidor "_cp, host, " não é confiável: "_cp, detalhe);
      case CURLE_SSL_CERTPROBLEM:
        Falhar(std::string("O certificado do cliente não pôde ser usado na conexão: "_cp) + detalhe);
      default:
        Falhar(std::string("Falha de comunicação com "_cp) + host + ": " + detalhe);
    }
  }
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  if (status != 200) {
    const std::string motivo = MotivoDaFalha(troca.resposta);
    Falhar(std::string("O serviço em "_cp) + host + " respondeu HTTP " + std::to_string(status) +
           (motivo.empty() ? std::string(".") : " (falha SOAP: " + dfexml::ParaMensagem(motivo) + ")."));
  }
  return std::move(troca.resposta);
}
