#include "dfe/Mensagens.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <optional>

#include "dfe/Desfecho.h"
#include "dfe/Xml.h"
#include "util/Win1252.h"

namespace {

constexpr const char* kNsDistribuicao = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeDistribuicaoDFe";

bool SoDigitos(const std::string& s, std::size_t n) {
  return s.size() == n && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Text from the service for a message: Windows-1252, one line, not endless.
std::string ParaMensagem(const std::string& utf8) {
  std::string s = win1252::DeUtf8(utf8.substr(0, 300));
  std::replace_if(
      s.begin(), s.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
  return s;
}

// The reason of a SOAP fault (1.2 Reason/Text or 1.1 faultstring), if the reply is one.
std::string MotivoDaFalha(dfexml::No* raiz) {
  for (const char* ns : {"http://www.w3.org/2003/05/soap-envelope", "http://schemas.xmlsoap.org/soap/envelope/"}) {
    dfexml::No* falha = dfexml::Buscar(raiz, ns, "Fault");
    if (!falha) continue;
    if (dfexml::No* texto = dfexml::Buscar(falha, ns, "Text")) return dfexml::Texto(texto);
    if (dfexml::No* texto = dfexml::Buscar(falha, nullptr, "faultstring")) return dfexml::Texto(texto);
    return dfexml::Texto(falha);
  }
  return {};
}

// gzip inflated into at most `limite` bytes; nullopt when corrupt, truncated,
// followed by other bytes, or larger than the limit.
enum class Inflado { Ok, Corrompido, Grande };
Inflado Inflar(const std::string& gzip, std::size_t limite, std::string& saida) {
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return Inflado::Corrompido;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gzip.data()));
  z.avail_in = static_cast<uInt>(gzip.size());
  char bloco[64 * 1024];
  int r = Z_OK;
  Inflado resultado = Inflado::Ok;
  while (r != Z_STREAM_END) {
    z.next_out = reinterpret_cast<Bytef*>(bloco);
    z.avail_out = sizeof bloco;
    r = inflate(&z, Z_NO_FLUSH);
    if (r != Z_OK && r != Z_STREAM_END) {  // Z_BUF_ERROR here means the input ended early
      resultado = Inflado::Corrompido;
      break;
    }
    const std::size_t n = sizeof bloco - z.avail_out;
    if (saida.size() + n > limite) {
      resultado = Inflado::Grande;
      break;
    }
    saida.append(bloco, n);
  }
  if (resultado == Inflado::Ok && z.avail_in != 0) resultado = Inflado::Corrompido;
  inflateEnd(&z);
  return resultado;
}

}  // namespace

std::string MontarConsultaChave(Ambiente ambiente, const std::string& documento, bool cpf, const std::string& chave) {
  if (!SoDigitos(chave, 44))
    throw ErroDFe(Desfecho::ChaveInvalida, std::string("Chave de acesso inválida (não tem 44 dígitos): "_cp) + chave);
  if (!SoDigitos(documento, cpf ? 11 : 14))
    throw ErroDFe(Desfecho::Certificado,
                  std::string(cpf ? "CPF inválido: "_cp : "CNPJ inválido: "_cp) + ParaMensagem(documento));
  const char* tag = cpf ? "CPF" : "CNPJ";
  // One line, no blanks between tags: the service rejects whitespace between elements.
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
             "<soap12:Envelope xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body>"
             "<nfeDistDFeInteresse xmlns=\"") +
         kNsDistribuicao + "\"><nfeDadosMsg><distDFeInt xmlns=\"" + dfexml::kNsNFe + "\" versao=\"1.01\"><tpAmb>" +
         std::to_string(static_cast<int>(ambiente)) + "</tpAmb><" + tag + ">" + documento + "</" + tag +
         "><consChNFe><chNFe>" + chave +
         "</chNFe></consChNFe></distDFeInt></nfeDadosMsg></nfeDistDFeInteresse></soap12:Body></soap12:Envelope>";
}

RespostaDistribuicao LerRespostaDistribuicao(std::string_view soap) {
  const dfexml::Documento doc = dfexml::LerXml(soap);
  if (!doc) throw ErroDFe(Desfecho::Comunicacao, std::string("A resposta do serviço não é XML."_cp));
  dfexml::No* ret = dfexml::Buscar(dfexml::Raiz(doc), dfexml::kNsNFe, "retDistDFeInt");
  if (!ret) {
    const std::string falha = MotivoDaFalha(dfexml::Raiz(doc));
    throw ErroDFe(Desfecho::Comunicacao,
                  std::string("A resposta do serviço não traz retDistDFeInt"_cp) +
                      (falha.empty() ? std::string(".") : std::string(" (falha SOAP: ") + ParaMensagem(falha) + ")."));
  }

  RespostaDistribuicao resposta;
  const std::string cStat = dfexml::Texto(dfexml::Filho(ret, dfexml::kNsNFe, "cStat"));
  const auto [fim, erro] = std::from_chars(cStat.data(), cStat.data() + cStat.size(), resposta.cStat);
  if (cStat.empty() || erro != std::errc() || fim != cStat.data() + cStat.size())
    throw ErroDFe(Desfecho::Comunicacao,
                  std::string("A resposta do serviço traz um cStat inválido: \""_cp) + ParaMensagem(cStat) + "\".");
  resposta.xMotivo = ParaMensagem(dfexml::Texto(dfexml::Filho(ret, dfexml::kNsNFe, "xMotivo")));

  std::size_t restante = kDocumentoMaximo;
  dfexml::No* lote = dfexml::Filho(ret, dfexml::kNsNFe, "loteDistDFeInt");
  for (dfexml::No* z : dfexml::Filhos(lote, dfexml::kNsNFe, "docZip")) {
    DocumentoDistribuido d;
    d.schema = ParaMensagem(dfexml::Atributo(z, "schema").value_or(""));
    d.nsu = ParaMensagem(dfexml::Atributo(z, "NSU").value_or(""));
    const std::string qual = " (schema \"" + d.schema + "\"" + (d.nsu.empty() ? std::string() : ", NSU " + d.nsu) + ")";
    const std::optional<std::string> gzip = dfexml::DecodificarBase64(dfexml::Texto(z));
    if (!gzip)
      throw ErroDFe(Desfecho::DocumentoInvalido,
                    std::string("O documento recebido não está em base64"_cp) + qual + ".");
    switch (Inflar(*gzip, restante, d.xml)) {
      case Inflado::Ok:
        break;
      case Inflado::Corrompido:
        throw ErroDFe(Desfecho::DocumentoInvalido,
                      std::string("O documento recebido não é um gzip íntegro"_cp) + qual + ".");
      case Inflado::Grande:
        throw ErroDFe(Desfecho::DocumentoInvalido, std::string("O documento recebido passa de "_cp) +
                                                       std::to_string(kDocumentoMaximo >> 20) + " MiB descomprimido" +
                                                       qual + ".");
    }
    restante -= d.xml.size();
    resposta.documentos.push_back(std::move(d));
  }
  return resposta;
}
