#pragma once
// Small page texts in the shape of the portal's complete-consultation result
// page: label and value on one line, written here in UTF-8 with "\n" and
// turned into the Windows-1252, CR LF page text the converter reads.

#include <string>
#include <string_view>

#include "util/Win1252.h"

namespace pagina_teste {

inline constexpr std::string_view kChave = "35101158716523000119550010000000011003000000";

inline std::string Pagina(std::string_view utf8) {
  std::string texto;
  for (const char c : win1252::DeUtf8(utf8)) {
    if (c == '\n') texto += '\r';
    texto += c;
  }
  return texto;
}

// Header, NF-e data, EMITENTE, DESTINATÁRIO and EMISSÃO blocks, parties, and
// the products heading with its column headings.
inline constexpr std::string_view kInicio = R"(Consulta Completa
Chave de acesso3510 1158 7165 2300 0119 5500 1000 0000 0110 0300 0000
Número NF-e1
Versão2.00
Dados da NF-e
Modelo55
Série1
Data de emissão02/11/2010
Valor Total da Nota Fiscal833,12
EMITENTE
CNPJ58.716.523/0001-19
Nome / Razão SocialFIBRATEC TECIDOS LTDA
DESTINATÁRIO
CNPJ02.536.490/0001-70
EMISSÃO
Processo3 - com aplicativo fornecido pelo Fisco
Versão do Processo2.0.3
Tipo de Emissão1 - Normal
Finalidade1 - Normal
Natureza da OperaçãoVENDA
Tipo da Operação1 - Saída
Forma de Pagamento1 - A prazo
Digest Value da NF-ei8Cwf3gx3uZV8nOQQdjnMC764tk=
Situação Atual: AUTORIZADA
Protocolo135100658921327
Data/Hora02/11/2010 14:35:07
Dados do Emitente
Nome / Razão SocialFIBRATEC TECIDOS LTDA
Nome FantasiaFIBRATEC
CNPJ58.716.523/0001-19
EndereçoRUA DOS PATRIOTAS, 897 ARMAZEM 42
Bairro/DistritoIPIRANGA
CEP04207-040
Município3550308 - Sao Paulo
 Fone/Fax(11) 2067-7300
UFSP
País1058 - BRASIL
Inscrição Estadual112.006.603.110
Município da Ocorrência do Fato Gerador do ICMS3550308
Código de Regime Tributário3 - Regime Normal
Dados do destinatário
Nome / Razão socialWARDY CONFECCOES LTDA
CNPJ/CPF02.536.490/0001-70
EndereçoRUA PARAIBA, 73
Bairro / DistritoBRAS
CEP03013-030
Município3304557 - Rio de Janeiro
 Fone/Fax(21) 2291-0590
UFRJ
País1058 - BRASIL
Inscrição estadual115.399.484.115
Dados dos Produtos e Serviços
Num.
Descrição
Qtd.
Unidade Comercial
Valor(R$))";

// An item: its marker, the row and the product details, then `impostos`.
inline std::string Item(int n, std::string_view descricao, std::string_view impostos,
                        std::string_view valor = "833,12") {
  std::string s =
      "\n" + std::to_string(n) + "\n" + std::string(descricao) + "\n46,4800\nKG\n" + std::string(valor) + "\n";
  s += R"(Código do Produto2470BCB90
Código NCM60063200
CFOP5122
Valor Total do Frete12,50
Código EAN Comercial7891234567895
Unidade ComercialKG
Quantidade Comercial46,4800
Código EAN Tributável7891234567895
Unidade TributávelKG
Quantidade Tributável46,4800
Valor unitário de comercialização17,9242685026
Valor unitário de tributação17,9242685026
Valor do Desconto1,00
ICMS Normal e ST
Origem da Mercadoria2 - Estrangeira - Adquirida no mercado interno
)";
  s += impostos;
  return s;
}

inline constexpr std::string_view kICMS00 = R"(Tributação do ICMS00 - Tributada integralmente
Modalidade Definição da BC ICMS NORMAL 3 - Valor da Operação
Base de Cálculo do ICMS Normal588,78
Alíquota do ICMS Normal18,00
Valor do ICMS Normal105,98)";

// An item's vehicle rows.
inline constexpr std::string_view kVeiculo = R"(Chassi do veículo 9BWZZZ377VT004251
Cor 0001
Descrição da cor PRETO NINJA
Serial (Série) 004251
Tipo de Combustível 16
Número de Motor BWA123456
Ano Modelo de Fabricação 2011
Ano de Fabricação 2010
)";

inline constexpr std::string_view kIPI = R"(
IMPOSTO SOBRE PRODUTOS INDUSTRIALIZADOS
Classe de Enquadramento
Código de Enquadramento999
CST50 - Saída tributada
Base de Cálculo833,12
Alíquota10,00
Valor IPI83,31)";

inline constexpr std::string_view kTotais = R"(
Totais
ICMS
Base de Cálculo ICMS588,78
Valor do ICMS105,98
Base de Cálculo ICMS ST0,00
Valor ICMS Substituição0,00
Valor Total dos Produtos833,12
Valor do Frete12,50
Valor do Seguro0,00
Outras Despesas Acessórias2,00
Valor Total do IPI83,31
Valor Total da NFe929,93
Valor Total dos Descontos1,00
Valor do II0,00
Valor do PIS14,57
Valor da COFINS67,11)";

inline constexpr std::string_view kTransporte = R"(
Dados do Transporte
Modalidade do Frete1 - Por conta do destinatário/remetente
TRANSPORTADOR
CNPJ03.210.987/0001-55
Razão Social / NomeTRANSPORTES ANDORINHA LTDA
Inscrição Estadual110042490114
Endereço CompletoAV DO ESTADO, 5000
MunicípioSao Paulo
UFSP
VEÍCULO
PlacaDKA1234
UFPR
VOLUMES
Volume 1
Quantidade3
EspécieCAIXA
MarcaFIBRATEC
Numeração1/3
Peso Líquido46,480
Peso Bruto50,000)";

inline constexpr std::string_view kCobranca = R"(
Dados de Cobrança
FATURA
Número0001
Valor Original883,12
Valor Desconto0,00
Valor Líquido883,12
DUPLICATAS
Número
Vencimento
Valor
 0001-1
20/12/2010
441,56
0001-2
20/01/2011
441,56)";

inline constexpr std::string_view kInformacoes = R"(
Informações Adicionais
INFORMAÇÕES COMPLEMENTARES DE INTERESSE DO FISCO
 EMITIDO NOS TERMOS DO ARTIGO 400-C DO DECRETO 48042/03
INFORMAÇÕES COMPLEMENTARES DE INTERESSE DO CONTRIBUINTE
 PEDIDO 060110-1030 & ENTREGA IMEDIATA
OBSERVAÇÕES DO CONTRIBUINTE
Campo
Texto
 EMAIL
vendas@fibratec.com.br
Dados de Nota Fiscal Avulsa
)";

// A whole page with the given items (each from Item()).
inline std::string PaginaCom(std::string_view itens, std::string_view depois = {}) {
  std::string s(kInicio);
  s += itens;
  s += kTotais;
  if (depois.empty()) {
    s += kTransporte;
    s += kCobranca;
    s += kInformacoes;
  } else {
    s += depois;
  }
  return Pagina(s);
}

}  // namespace pagina_teste
