#include "dfe/Mensagens.h"

#include <zlib.h>

#include <algorithm>
#include <optional>

#include "dfe/Desfecho.h"
#include "dfe/Xml.h"
#include "util/Win1252.h"

namespace {

using dfexml::ParaMensagem;
using dfexml::SoDigitos;

constexpr const char* kNsDistribuicao = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeDistribuicaoDFe";

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
    throw ErroDFe(Desfecho::ChaveInvalida,
                  std::string("Chave de acesso inválida (não tem 44 dígitos): "_cp) + ParaMensagem(chave));
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
  dfexml::No* ret = dfexml::ElementoDaResposta(doc, "retDistDFeInt");
  RespostaDistribuicao resposta;
  resposta.cStat = dfexml::CStat(ret);
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
