#pragma once
// The distribution service's messages: the query by access key, built strictly
// to the published schema, and the reply, read leniently by namespace and
// cStat (real replies omit ultNSU, maxNSU and even the NSU of a document).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class Ambiente { Producao = 1, Homologacao = 2 };

inline constexpr const char* kAcaoDistribuicao =
    "http://www.portalfiscal.inf.br/nfe/wsdl/NFeDistribuicaoDFe/nfeDistDFeInteresse";

// The most the documents of one reply may take once decompressed, all together:
// a few kilobytes each in practice, so a crafted reply cannot exhaust memory.
inline constexpr std::size_t kDocumentoMaximo = 16u << 20;

// The whole SOAP 1.2 envelope (UTF-8) asking for one NF-e by its key.
// `documento` is the certificate's CNPJ (14 digits) or, with `cpf`, its CPF (11).
// Throws ErroDFe (ChaveInvalida for a key that is not 44 digits, Certificado
// for a malformed CNPJ/CPF).
std::string MontarConsultaChave(Ambiente ambiente, const std::string& documento, bool cpf, const std::string& chave);

struct DocumentoDistribuido {
  std::string schema;  // e.g. "procNFe_v4.00.xsd" (the original) or "resNFe_v1.01.xsd" (the summary)
  std::string nsu;     // empty when the service left it out
  std::string xml;     // the document, byte for byte as decompressed
};

struct RespostaDistribuicao {
  int cStat = 0;
  std::string xMotivo;  // Windows-1252
  std::vector<DocumentoDistribuido> documentos;
};

// retDistDFeInt wherever it sits: SOAP 1.2, SOAP 1.1 or bare.
// Throws ErroDFe(Comunicacao) when the reply is not XML or has no retDistDFeInt
// with a numeric cStat, ErroDFe(DocumentoInvalido) for a docZip that is not
// base64 of gzip or inflates past kDocumentoMaximo.
RespostaDistribuicao LerRespostaDistribuicao(std::string_view soap);
