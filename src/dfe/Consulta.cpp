#include "dfe/Consulta.h"

#include <system_error>

#include "dfe/Assinatura.h"
#include "dfe/Certificado.h"
#include "dfe/Evento.h"
#include "dfe/Guarda.h"
#include "dfe/Xml.h"
#include "util/ArquivoDuravel.h"
#include "util/Win1252.h"
#include "util/kxnAuxiliar.h"

namespace {

std::string Juntar(std::initializer_list<std::string_view> partes) {
  std::string s;
  for (std::string_view p : partes) s.append(p);
  return s;
}

[[noreturn]] void Falhar(Desfecho d, std::initializer_list<std::string_view> partes) {
  throw ErroDFe(d, Juntar(partes));
}

std::string StatusEMotivo(int cStat, const std::string& xMotivo) {
  return "cStat " + std::to_string(cStat) + (xMotivo.empty() ? std::string() : " - " + xMotivo);
}

bool Comeca(const std::string& texto, std::string_view prefixo) { return texto.rfind(prefixo, 0) == 0; }

// What the reply to one query brought.
struct Recebido {
  const DocumentoDistribuido* original = nullptr;  // procNFe
  bool resumo = false;                             // resNFe only
};

// Every cStat but 138 ends the key here.
Recebido Interpretar(const RespostaDistribuicao& r, Guarda& guarda, Instante agora) {
  const std::string motivo = StatusEMotivo(r.cStat, r.xMotivo);
  switch (r.cStat) {
    case 138:
      break;
    case 137:
      Falhar(Desfecho::NaoEncontrado,
             {"O serviço não tem documento para esta chave acessível a este CNPJ/CPF ("_cp, motivo, ")."});
    case 632:
      Falhar(Desfecho::ForaDoPrazo,
             {"A NF-e é mais antiga do que o serviço guarda para download (3 meses) ("_cp, motivo, ")."});
    case 640:
      Falhar(Desfecho::SemPermissao,
             {"O CNPJ/CPF do certificado não tem permissão para consultar esta NF-e: só destinatário, "
              "transportador e autorizados no XML a recebem ("_cp,
              motivo, ")."});
    case 641:
      Falhar(Desfecho::Indisponivel, {"A NF-e não está disponível para o emitente ("_cp, motivo, ")."});
    case 653:
    case 654:
      Falhar(Desfecho::Indisponivel,
             {"A NF-e foi cancelada ou denegada; o arquivo não está disponível ("_cp, motivo, ")."});
    case 593:
      Falhar(Desfecho::OutraEmpresa,
             {"O CNPJ consultado não é da mesma empresa (raiz do CNPJ) do certificado ("_cp, motivo, ")."});
    case 656: {
      const Instante livre = guarda.RegistrarBloqueio(agora);
      Falhar(Desfecho::ConsumoIndevido, {"O serviço bloqueou este CNPJ/CPF por consumo indevido ("_cp, motivo,
                                         "); nenhuma consulta será feita antes de "_cp, HoraLocal(livre, agora), "."});
    }
    default:
      Falhar(Desfecho::Rejeitado, {"O serviço recusou a consulta ("_cp, motivo, ")."});
  }
  Recebido recebido;
  for (const DocumentoDistribuido& d : r.documentos) {
    if (Comeca(d.schema, "procNFe")) {
      recebido.original = &d;
      return recebido;
    }
    if (Comeca(d.schema, "resNFe")) recebido.resumo = true;
  }
  if (recebido.resumo) return recebido;
  Falhar(Desfecho::DocumentoInvalido,
         {"O serviço respondeu 138 sem a NF-e nem o seu resumo (esquema \""_cp,
          dfexml::ParaMensagem(r.documentos.empty() ? std::string("nenhum") : r.documentos.front().schema), "\")."});
}

class Execucao {
 public:
  Execucao(const OpcoesConsulta& opcoes, const Certificado& certificado, const std::string& chave, const Postar& postar,
           const Relogio& relogio)
      : opcoes_(opcoes),
        certificado_(certificado),
        chave_(chave),
        postar_(postar),
        relogio_(relogio),
        guarda_(opcoes.pastaEstado, certificado.documento) {}

  ResultadoConsulta Executar() {
    Recebido recebido = Consultar();
    if (recebido.original) return Salvar(*recebido.original);
    // Registered by an earlier run: nothing to send, consent or not.
    if (const auto enviado = guarda_.EventoEnviado(chave_)) Pendente(*enviado);
    if (opcoes_.pedirCiencia) {
      if (!opcoes_.pedirCiencia())
        Falhar(Desfecho::SomenteResumo,
               {"O serviço entregou só o resumo da NF-e e a ciência da operação não foi autorizada: nenhum evento "
                "foi enviado e nenhum arquivo foi gravado."_cp});
    } else if (!opcoes_.ciencia) {
      Falhar(Desfecho::SomenteResumo,
             {"O serviço entregou só o resumo da NF-e: o destinatário ainda não se manifestou sobre a operação. "
              "Com o consentimento (--ciencia), a ciência da operação é registrada em nome do CNPJ/CPF e o XML "
              "pedido de novo."_cp});
    }
    RegistrarCiencia();
    try {
      recebido = Consultar();
    } catch (const ErroDFe& e) {
      if (e.desfecho() != Desfecho::Retido) throw;
      Falhar(Desfecho::CienciaPendente, {"Ciência da operação registrada; "_cp, e.what()});
    }
    if (recebido.original) return Salvar(*recebido.original);
    Pendente(*guarda_.EventoEnviado(chave_));
  }

 private:
  Recebido Consultar() {
    const std::string corpo = MontarConsultaChave(opcoes_.ambiente, certificado_.documento, certificado_.cpf, chave_);
    guarda_.ReservarConsulta(relogio_());
    const RespostaDistribuicao r = LerRespostaDistribuicao(postar_(opcoes_.urlDistribuicao, kAcaoDistribuicao, corpo));
    resposta_ = r;
    return Interpretar(resposta_, guarda_, relogio_());
  }

  ResultadoConsulta Salvar(const DocumentoDistribuido& original) {
    ConferirOriginal(original.xml, chave_);
    const std::filesystem::path caminho = opcoes_.pastaSaida / (chave_ + "-nfe.xml");
    try {
      GravarArquivoDuravel(caminho.string(), original.xml);
    } catch (const std::system_error& e) {
      Falhar(Desfecho::Gravacao, {"Não foi possível gravar "_cp, win1252::DeUtf8(caminho.string()), ": ",
                                  win1252::DeUtf8(e.code().message()), "."});
    }
    return {Desfecho::Salvo, "", caminho.string()};
  }

  void RegistrarCiencia() {
    const Instante agora = relogio_();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(agora.time_since_epoch()).count();
    const std::string idLote = std::to_string(ms % 1000000000000000LL);
    const std::string evento = MontarEventoCiencia(opcoes_.ambiente, certificado_, chave_, agora, idLote);
    const RespostaEvento r = LerRespostaEvento(postar_(opcoes_.urlEvento, kAcaoEvento, evento));
    const int cStat = r.cStat != 0 ? r.cStat : r.cStatLote;
    // 573: registered before (by this program elsewhere, or another one).
    if (cStat == 135 || cStat == 136 || cStat == 573) {
      guarda_.RegistrarEvento(chave_, agora);
      return;
    }
    Falhar(Desfecho::EventoRejeitado,
           {"A ciência da operação foi recusada pelo serviço ("_cp, StatusEMotivo(cStat, r.xMotivo), ")."});
  }

  [[noreturn]] void Pendente(Instante evento) {
    const Instante agora = relogio_();
    const Instante depois = std::max(evento + kEsperaLiberacao, agora + std::chrono::minutes(10));
    Falhar(Desfecho::CienciaPendente,
           {"Ciência da operação registrada; o XML ainda não foi liberado pelo serviço; tente novamente após "_cp,
            HoraLocal(depois, agora), "."});
  }

  const OpcoesConsulta& opcoes_;
  const Certificado& certificado_;
  const std::string& chave_;
  const Postar& postar_;
  const Relogio& relogio_;
  Guarda guarda_;
  RespostaDistribuicao resposta_;
};

}  // namespace

void ConferirChave(const std::string& chave) {
  if (chave.size() != 44 || chave.find_first_not_of("0123456789") != std::string::npos)
    Falhar(Desfecho::ChaveInvalida, {"A chave de acesso precisa ter 44 dígitos."_cp});
  int digito = -1;
  if (!CalcularDigitoChave(digito, std::string_view(chave).substr(0, 43)) || digito != chave[43] - '0')
    Falhar(Desfecho::ChaveInvalida,
           {"O dígito verificador da chave de acesso está errado (o certo seria "_cp, std::to_string(digito), ")."});
}

ResultadoConsulta ConsultarChave(const OpcoesConsulta& opcoes, const Certificado& certificado, const std::string& chave,
                                 const Postar& postar, const Relogio& relogio) {
  try {
    ConferirChave(chave);
    // Found out before a query of the hour's 20 is spent on a file that cannot be saved.
    std::error_code ec;
    if (!std::filesystem::is_directory(opcoes.pastaSaida, ec))
      Falhar(Desfecho::Gravacao, {"A pasta de saída "_cp, win1252::DeUtf8(opcoes.pastaSaida.string()),
                                  " não existe; nada foi consultado."_cp});
    return Execucao(opcoes, certificado, chave, postar, relogio).Executar();
  } catch (const ErroDFe& e) {
    return {e.desfecho(), e.what(), ""};
  }
}
