#include "Falha.h"
#include "dfe/Mensagens.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "dfe/Desfecho.h"
#include "dfe/Xml.h"
#include "util/Win1252.h"

namespace {

const std::string kDados = SALVEXA_SOURCE_DIR "/tests/dfe/dados/";
const std::string kXsdConsulta = SALVEXA_SOURCE_DIR "/data/xsd/distdfe/distDFeInt_v1.01.xsd";
const std::string kChave = "35180174283375000142550010000234761182919182";

std::string Ler(const std::string& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  EXPECT_TRUE(f) << caminho;
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string Gzip(const std::string& dados) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string saida(deflateBound(&z, dados.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(dados.data()));
  z.avail_in = static_cast<uInt>(dados.size());
  z.next_out = reinterpret_cast<Bytef*>(saida.data());
  z.avail_out = static_cast<uInt>(saida.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  saida.resize(z.total_out);
  deflateEnd(&z);
  return saida;
}

// A SOAP 1.2 reply 138 carrying these docZip contents (already base64).
std::string Resposta(const std::vector<std::string>& docZips) {
  std::string lote;
  for (std::size_t i = 0; i < docZips.size(); ++i)
    lote += "<docZip NSU=\"00000000000000" + std::to_string(i + 1) + "\" schema=\"procNFe_v4.00.xsd\">" + docZips[i] +
            "</docZip>";
  return "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
         "<nfeDistDFeInteresseResponse xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NFeDistribuicaoDFe\">"
         "<nfeDistDFeInteresseResult><retDistDFeInt xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.01\">"
         "<tpAmb>1</tpAmb><verAplic>1.7.8</verAplic><cStat>138</cStat><xMotivo>Documento localizado</xMotivo>"
         "<dhResp>2026-07-28T19:22:01-03:00</dhResp><loteDistDFeInt>" +
         lote + "</loteDistDFeInt></retDistDFeInt></nfeDistDFeInteresseResult></nfeDistDFeInteresseResponse>" +
         "</soap:Body></soap:Envelope>";
}

std::string DocZip(const std::string& xml) { return dfexml::CodificarBase64(Gzip(xml)); }

// ---------------------------------------------------------------- the query

struct CasoConsulta {
  const char* nome;
  Ambiente ambiente;
  const char* documento;
  bool cpf;
};

class Consulta : public testing::TestWithParam<CasoConsulta> {};

TEST_P(Consulta, EnvelopeValidoNoEsquemaOficial) {
  const CasoConsulta& c = GetParam();
  const std::string envelope = MontarConsultaChave(c.ambiente, c.documento, c.cpf, kChave);

  EXPECT_EQ(dfexml::ErrosDeEsquema(envelope, "distDFeInt", kXsdConsulta), "");
  // No blanks between tags anywhere (the service refuses them).
  EXPECT_EQ(envelope.find(">\n"), std::string::npos);
  EXPECT_EQ(envelope.find("> <"), std::string::npos);

  // The path the service reads, by namespace.
  const dfexml::Documento doc = dfexml::LerXml(envelope);
  dfexml::No* raiz = dfexml::Raiz(doc);
  const char* soap12 = "http://www.w3.org/2003/05/soap-envelope";
  const char* wsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeDistribuicaoDFe";
  ASSERT_TRUE(dfexml::EElemento(raiz, soap12, "Envelope"));
  dfexml::No* dist =
      dfexml::Filho(dfexml::Filho(dfexml::Filho(dfexml::Filho(raiz, soap12, "Body"), wsdl, "nfeDistDFeInteresse"), wsdl,
                                  "nfeDadosMsg"),
                    dfexml::kNsNFe, "distDFeInt");
  ASSERT_NE(dist, nullptr);
  EXPECT_EQ(dfexml::Atributo(dist, "versao"), "1.01");
  EXPECT_EQ(dfexml::Texto(dfexml::Filho(dist, dfexml::kNsNFe, "tpAmb")), std::to_string(static_cast<int>(c.ambiente)));
  EXPECT_EQ(dfexml::Texto(dfexml::Filho(dist, dfexml::kNsNFe, c.cpf ? "CPF" : "CNPJ")), c.documento);
  EXPECT_EQ(dfexml::Filho(dist, dfexml::kNsNFe, c.cpf ? "CNPJ" : "CPF"), nullptr);
  EXPECT_EQ(dfexml::Texto(dfexml::Buscar(dist, dfexml::kNsNFe, "chNFe")), kChave);
}

INSTANTIATE_TEST_SUITE_P(Mensagens, Consulta,
                         testing::Values(CasoConsulta{"cnpj_producao", Ambiente::Producao, "58716523000119", false},
                                         CasoConsulta{"cnpj_homologacao", Ambiente::Homologacao, "58716523000119",
                                                      false},
                                         CasoConsulta{"cpf_producao", Ambiente::Producao, "12345678909", true},
                                         CasoConsulta{"cpf_homologacao", Ambiente::Homologacao, "12345678909", true}),
                         [](const auto& info) { return std::string(info.param.nome); });

// The schema check itself catches a bad request (so a pass above means something).
TEST(Mensagens, EsquemaRecusaConsultaMalFormada) {
  std::string envelope = MontarConsultaChave(Ambiente::Producao, "58716523000119", false, kChave);
  envelope.replace(envelope.find("<tpAmb>1"), 8, "<tpAmb>3");
  EXPECT_NE(dfexml::ErrosDeEsquema(envelope, "distDFeInt", kXsdConsulta).find("tpAmb"), std::string::npos);
}

TEST(Mensagens, ConsultaRecusaChaveOuDocumentoMalFormados) {
  struct {
    const char* documento;
    bool cpf;
    const char* chave;
    Desfecho desfecho;
    const char* citado;
  } casos[] = {
      {"58716523000119", false, "3518017428337500014255001000023476118291918", Desfecho::ChaveInvalida,
       "3518017428337500014255001000023476118291918"},
      {"58716523000119", false, "35180174283375000142550010000234761182919182</chNFe>", Desfecho::ChaveInvalida,
       "</chNFe>"},
      {"5871652300011", false, "35180174283375000142550010000234761182919182", Desfecho::Certificado, "5871652300011"},
      {"58716523000119", true, "35180174283375000142550010000234761182919182", Desfecho::Certificado, "CPF"},
  };
  for (const auto& c : casos) {
    const auto [desfecho, mensagem] =
        Falha([&] { MontarConsultaChave(Ambiente::Producao, c.documento, c.cpf, c.chave); });
    EXPECT_EQ(desfecho, c.desfecho) << c.chave;
    EXPECT_NE(mensagem.find(c.citado), std::string::npos) << mensagem;
  }
}

// ---------------------------------------------------------------- real replies

struct CasoResposta {
  const char* arquivo;
  int cStat;
  const char* xMotivo;
  std::size_t documentos;
  const char* schema;  // of the first document
  const char* nsu;     // of the first document
  const char* igualA;  // file the first document must equal byte for byte, or nullptr
};

class RespostaReal : public testing::TestWithParam<CasoResposta> {};

TEST_P(RespostaReal, LidaPeloCStat) {
  const CasoResposta& c = GetParam();
  const RespostaDistribuicao r = LerRespostaDistribuicao(Ler(kDados + c.arquivo));
  EXPECT_EQ(r.cStat, c.cStat);
  EXPECT_EQ(r.xMotivo, c.xMotivo);
  ASSERT_EQ(r.documentos.size(), c.documentos);
  if (!c.documentos) return;
  EXPECT_EQ(r.documentos[0].schema, c.schema);
  EXPECT_EQ(r.documentos[0].nsu, c.nsu);
  if (c.igualA) {
    EXPECT_EQ(r.documentos[0].xml, Ler(kDados + c.igualA));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Mensagens, RespostaReal,
    testing::Values(
        CasoResposta{"retDistDFeInt_138_consChNFe_procNFe310_soap12.xml", 138, "Documento localizado", 1,
                     "procNFe_v3.10.xsd", "000000000031322", nullptr},
        CasoResposta{"retDistDFeInt_138_consChNFe_resNFe_noNSU_2026.xml", 138, "Documento localizado", 1,
                     "resNFe_v1.01.xsd", "", "resNFe_real_from_consChNFe_2026.xml"},
        CasoResposta{"retDistDFeInt_138_distNSU_multi_soap12.xml", 138, "Documento(s) localizado(s)", 50,
                     "resNFe_v1.01.xsd", "000000000006762", "resNFe_real_from_docZip_NSU6762.xml"},
        CasoResposta{"retDistDFeInt_640_consChNFe_soap12.xml", 640,
                     "Rejeicao: CNPJ/CPF do interessado nao possui permissao para consultar esta NF-e", 0, "", "",
                     nullptr},
        CasoResposta{"retDistDFeInt_656_ultNSU_2024_soap11.xml", 656,
                     "Rejeicao: Consumo Indevido (Deve ser utilizado o ultNSU nas solicitacoes subsequentes. Tente "
                     "apos 1 hora)",
                     0, "", "", nullptr},
        CasoResposta{"retDistDFeInt_137_RECONSTRUCTED.xml", 137, "Nenhum documento localizado", 0, "", "", nullptr}),
    [](const auto& info) { return "caso" + std::to_string(info.index); });

TEST(Mensagens, RespostaComProcNFeTrazOOriginalEVariosDocumentosNaOrdem) {
  const RespostaDistribuicao proc =
      LerRespostaDistribuicao(Ler(kDados + "retDistDFeInt_138_consChNFe_procNFe310_soap12.xml"));
  ASSERT_EQ(proc.documentos.size(), 1u);
  EXPECT_EQ(proc.documentos[0].xml.rfind("<nfeProc versao=\"3.10\"", 0), 0u);
  EXPECT_NE(proc.documentos[0].xml.find("<chNFe>" + kChave + "</chNFe>"), std::string::npos);

  const RespostaDistribuicao multi =
      LerRespostaDistribuicao(Ler(kDados + "retDistDFeInt_138_distNSU_multi_soap12.xml"));
  ASSERT_EQ(multi.documentos.size(), 50u);
  const DocumentoDistribuido& evento = multi.documentos[6776 - 6762];
  EXPECT_EQ(evento.nsu, "000000000006776");
  EXPECT_EQ(evento.schema, "procEventoNFe_v1.00.xsd");
  EXPECT_EQ(evento.xml, Ler(kDados + "procEventoNFe_210210_real_from_docZip_NSU6776.xml"));
}

// ---------------------------------------------------------------- crafted replies

// The service's text arrives in UTF-8 and is kept in the core's code page, on one line.
TEST(Mensagens, MotivoEmWindows1252NumaLinha) {
  const RespostaDistribuicao r = LerRespostaDistribuicao(
      "<retDistDFeInt xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.01\"><cStat>999</cStat>"
      "<xMotivo>Rejeição:\nerro não catalogado</xMotivo></retDistDFeInt>");
  EXPECT_EQ(r.cStat, 999);
  EXPECT_EQ(r.xMotivo, "Rejeição: erro não catalogado"_cp);
}

TEST(Mensagens, DocZipNoLimiteAceitoAlemDeleRecusado) {
  const std::string cheio(kDocumentoMaximo, 'a');
  EXPECT_EQ(LerRespostaDistribuicao(Resposta({DocZip(cheio)})).documentos.at(0).xml.size(), kDocumentoMaximo);

  // One byte over, alone or spread over two documents of one reply.
  for (const auto& docs : {std::vector<std::string>{DocZip(cheio + "a")},
                           std::vector<std::string>{DocZip(cheio.substr(0, kDocumentoMaximo / 2)),
                                                    DocZip(cheio.substr(0, kDocumentoMaximo / 2 + 1))}}) {
    const auto [desfecho, mensagem] = Falha([&] { LerRespostaDistribuicao(Resposta(docs)); });
    EXPECT_EQ(desfecho, Desfecho::DocumentoInvalido);
    EXPECT_NE(mensagem.find("16 MiB"), std::string::npos) << mensagem;
  }
}

TEST(Mensagens, BombaGzipRecusadaSemInflarTudo) {
  // 64 MiB of zeros in about 64 KiB of gzip: refused once past the cap.
  const std::string bomba = Gzip(std::string(std::size_t{64} << 20, '\0'));
  ASSERT_LT(bomba.size(), std::size_t{128} << 10);
  const auto [desfecho, mensagem] = Falha([&] { LerRespostaDistribuicao(Resposta({dfexml::CodificarBase64(bomba)})); });
  EXPECT_EQ(desfecho, Desfecho::DocumentoInvalido);
  EXPECT_NE(mensagem.find("NSU 000000000000001"), std::string::npos) << mensagem;
}

TEST(Mensagens, DocZipCorrompidoRecusado) {
  const std::string gzip =
      Gzip("<nfeProc xmlns=\"http://www.portalfiscal.inf.br/nfe\">" + std::string(4000, 'x') + "</nfeProc>");
  std::string trocado = gzip;
  trocado[trocado.size() / 2] ^= 0x55;
  std::string crc = gzip;
  crc[crc.size() - 6] ^= 0x01;  // the CRC-32 of the trailer
  const struct {
    const char* nome;
    std::string docZip;
    const char* motivo;
  } casos[] = {
      {"caractere fora do base64", "H4sIAAAAAAAEA*%^", "base64"},
      {"base64 truncado", "H4sIAAAAAAAEAO0", "base64"},
      {"texto depois do preenchimento", "QQ==QQ==", "base64"},
      {"vazio", "", "gzip"},
      {"byte trocado no meio", dfexml::CodificarBase64(trocado), "gzip"},
      {"CRC errado", dfexml::CodificarBase64(crc), "gzip"},
      {"gzip truncado", dfexml::CodificarBase64(gzip.substr(0, gzip.size() - 9)), "gzip"},
      {"bytes depois do fim", dfexml::CodificarBase64(gzip + "lixo"), "gzip"},
      {"zlib sem gzip", dfexml::CodificarBase64(gzip.substr(10)), "gzip"},
  };
  for (const auto& c : casos) {
    const auto [desfecho, mensagem] = Falha([&] { LerRespostaDistribuicao(Resposta({c.docZip})); });
    EXPECT_EQ(desfecho, Desfecho::DocumentoInvalido) << c.nome;
    EXPECT_NE(mensagem.find(c.motivo), std::string::npos) << c.nome << ": " << mensagem;
    EXPECT_NE(mensagem.find("procNFe_v4.00.xsd"), std::string::npos) << c.nome << ": " << mensagem;
  }
}

TEST(Mensagens, RespostaQueNaoServeEhFalhaDeComunicacao) {
  const std::string ret =
      "<retDistDFeInt xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.01\"><cStat>138</cStat></retDistDFeInt>";
  const struct {
    const char* nome;
    std::string resposta;
    const char* citado;
  } casos[] = {
      {"HTML", "<html><body><h1>503 Service Unavailable</body></html>", "XML"},
      {"texto", "Service Unavailable", "XML"},
      {"vazia", "", "XML"},
      {"XML truncado", ret.substr(0, ret.size() - 5), "XML"},
      {"falha SOAP",
       "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body><soap:Fault><soap:Code>"
       "<soap:Value>soap:Receiver</soap:Value></soap:Code><soap:Reason><soap:Text xml:lang=\"en\">Server was unable "
       "to process request</soap:Text></soap:Reason></soap:Fault></soap:Body></soap:Envelope>",
       "Server was unable to process request"},
      {"outro namespace", "<retDistDFeInt versao=\"1.01\"><cStat>138</cStat></retDistDFeInt>", "retDistDFeInt"},
      {"sem cStat", "<retDistDFeInt xmlns=\"http://www.portalfiscal.inf.br/nfe\"/>", "cStat"},
      {"cStat com letras",
       "<retDistDFeInt xmlns=\"http://www.portalfiscal.inf.br/nfe\"><cStat>13x</cStat></retDistDFeInt>", "13x"},
  };
  for (const auto& c : casos) {
    const auto [desfecho, mensagem] = Falha([&] { LerRespostaDistribuicao(c.resposta); });
    EXPECT_EQ(desfecho, Desfecho::Comunicacao) << c.nome;
    EXPECT_NE(mensagem.find(c.citado), std::string::npos) << c.nome << ": " << mensagem;
  }
}

// A DTD is never read: no entity is expanded, no file or address loaded.
TEST(Mensagens, EntidadesEDtdNuncaProcessadas) {
  const std::string corpo =
      "<retDistDFeInt xmlns=\"http://www.portalfiscal.inf.br/nfe\"><cStat>137</cStat><xMotivo>&e;</xMotivo>"
      "</retDistDFeInt>";
  // Nine levels of ten references each: a billion copies if it were expanded.
  std::string risos = "<!DOCTYPE retDistDFeInt [<!ENTITY e0 \"lol\">";
  for (int i = 1; i <= 9; ++i) {
    risos += "<!ENTITY e" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) risos += "&e" + std::to_string(i - 1) + ";";
    risos += "\">";
  }
  risos += "<!ENTITY e \"&e9;\">]>";
  const std::string casos[] = {
      "<!DOCTYPE retDistDFeInt [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" + corpo,
      "<!DOCTYPE retDistDFeInt SYSTEM \"http://127.0.0.1:9/x.dtd\">" + corpo,
      "<!DOCTYPE retDistDFeInt [<!ENTITY e \"texto\">]>" + corpo,
      risos + corpo,
  };
  for (const auto& resposta : casos) {
    const auto [desfecho, mensagem] = Falha([&] { LerRespostaDistribuicao(resposta); });
    EXPECT_EQ(desfecho, Desfecho::Comunicacao) << resposta.substr(0, 60);
  }
}

}  // namespace
