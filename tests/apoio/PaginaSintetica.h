#pragma once
// Synthetic result pages of the portal's complete consultation with any number
// of items, in the page text shape the converter reads (Windows-1252, CR LF).
// Items cycle through every kind the converter reads: ICMS situations 00 (with
// IPI), 10, 20 and 70, Simples Nacional with and without retained ST, and a
// vehicle. Used by the benchmark and by the converter's tests.

#include <string>
#include <string_view>

#include "util/Win1252.h"

namespace pagina_sintetica {

inline constexpr std::string_view kChave = "35110461482735000193550010000045671012345678";
inline constexpr int kTiposDeItem = 7;

// Value of item n as the page writes it ("12,50") and in hundredths.
inline long CentavosDoItem(int n) { return (n % 97 + 1) * 1050L; }

inline std::string Reais(long centavos) {
  std::string s = std::to_string(centavos / 100) + ",";
  const long c = centavos % 100;
  if (c < 10) s += '0';
  return s + std::to_string(c);
}

inline void Linha(std::string& s, std::string_view texto) {
  s += texto;
  s += "\r\n";
}

inline void Linha(std::string& s, std::string_view rotulo, std::string_view valor) {
  s += rotulo;
  s += valor;
  s += "\r\n";
}

inline void Cabecalho(std::string& s) {
  Linha(s, "Consulta Completa");
  Linha(s, "Chave de acesso", "3511 0461 4827 3500 0193 5500 1000 0045 6710 1234 5678");
  Linha(s, "Número NF-e"_cp, "4567");
  Linha(s, "Versão"_cp, "2.00");
  Linha(s, "Dados da NF-e");
  Linha(s, "Modelo", "55");
  Linha(s, "Série"_cp, "1");
  Linha(s, "Data de emissão"_cp, "12/04/2011");
  Linha(s, "EMITENTE");
  Linha(s, "CNPJ", "61.482.735/0001-93");
  Linha(s, "DESTINATÁRIO"_cp);
  Linha(s, "CNPJ", "09.355.412/0001-19");
  Linha(s, "EMISSÃO"_cp);
  Linha(s, "Processo", "0 - com aplicativo do Contribuinte");
  Linha(s, "Versão do Processo"_cp, "SIGE 4.12.3");
  Linha(s, "Tipo de Emissão"_cp, "1 - Normal");
  Linha(s, "Finalidade", "1 - Normal");
  Linha(s, "Natureza da Operação"_cp, "VENDA DE MERCADORIA ADQUIRIDA DE TERCEIROS");
  Linha(s, "Tipo da Operação"_cp, "1 - Saída"_cp);
  Linha(s, "Forma de Pagamento", "1 - A prazo");
  Linha(s, "Digest Value da NF-e", "qHx3W8T0kq7nZl2S3sYbU4x6m1E=");
  Linha(s, "Protocolo", "135110198765432");
  Linha(s, "Data/Hora", "12/04/2011 10:32:18");
  Linha(s, "Dados do Emitente");
  Linha(s, "Nome / Razão Social"_cp, "DISTRIBUIDORA PAULISTA DE ALIMENTOS LTDA");
  Linha(s, "Nome Fantasia", "DIPAL");
  Linha(s, "CNPJ", "61.482.735/0001-93");
  Linha(s, "Endereço"_cp, "AVENIDA DO CURSINO, 1520");
  Linha(s, "Bairro/Distrito", "JARDIM DA SAUDE");
  Linha(s, "CEP", "04133-200");
  Linha(s, "Município"_cp, "3550308 - SAO PAULO");
  Linha(s, " Fone/Fax", "(11) 5058-4400");
  Linha(s, "UF", "SP");
  Linha(s, "País"_cp, "1058 - BRASIL");
  Linha(s, "Inscrição Estadual"_cp, "116.352.848.110");
  Linha(s, "Município da Ocorrência do Fato Gerador do ICMS"_cp, "3550308");
  Linha(s, "Código de Regime Tributário"_cp, "3 - Regime Normal");
  Linha(s, "Dados do destinatário"_cp);
  Linha(s, "Nome / Razão social"_cp, "SUPERMERCADO BOA COMPRA LTDA");
  Linha(s, "CNPJ/CPF", "09.355.412/0001-19");
  Linha(s, "Endereço"_cp, "RUA DOS GUAJAJARAS, 910");
  Linha(s, "Bairro / Distrito", "CENTRO");
  Linha(s, "CEP", "30180-100");
  Linha(s, "Município"_cp, "3106200 - BELO HORIZONTE");
  Linha(s, " Fone/Fax", "(31) 3274-1100");
  Linha(s, "UF", "MG");
  Linha(s, "País"_cp, "1058 - BRASIL");
  Linha(s, "Inscrição estadual"_cp, "062.307.904.0081");
  Linha(s, "Dados dos Produtos e Serviços"_cp);
  Linha(s, "Num.");
  Linha(s, "Descrição"_cp);
  Linha(s, "Qtd.");
  Linha(s, "Unidade Comercial");
  s += "Valor(R$)";  // each item starts with the line break before its number
}

inline void Item(std::string& s, int n) {
  const std::string valor = Reais(CentavosDoItem(n));
  const int tipo = n % kTiposDeItem;
  s += "\r\n" + std::to_string(n) + "\r\n";
  Linha(s, tipo == 6 ? "AUTOMOVEL GOL 1.0 4 PORTAS FLEX" : "PRODUTO SINTETICO NUMERO " + std::to_string(n));
  Linha(s, "10,0000");
  Linha(s, "UN");
  Linha(s, valor);
  Linha(s, "Código do Produto"_cp, "P" + std::to_string(100000 + n));
  Linha(s, "Código NCM"_cp, "09012100");
  Linha(s, "CFOP", "6102");
  Linha(s, "Valor Total do Frete", "");
  Linha(s, "Código EAN Comercial"_cp, "7896005800218");
  Linha(s, "Unidade Comercial", "UN");
  Linha(s, "Quantidade Comercial", "10,0000");
  Linha(s, "Código EAN Tributável"_cp, "7896005800218");
  Linha(s, "Unidade Tributável"_cp, "UN");
  Linha(s, "Quantidade Tributável"_cp, "10,0000");
  Linha(s, "Valor unitário de comercialização"_cp, "1,0500000000");
  Linha(s, "Valor unitário de tributação"_cp, "1,0500000000");
  Linha(s, "Valor do Desconto", "");
  if (tipo == 6) {
    Linha(s, "Chassi do veículo "_cp, "9BWZZZ377VT00" + std::to_string(4000 + n));
    Linha(s, "Cor ", "0001");
    Linha(s, "Descrição da cor "_cp, "PRETO NINJA");
    Linha(s, "Serial (Série) "_cp, std::to_string(4000 + n));
    Linha(s, "Tipo de Combustível "_cp, "16");
    Linha(s, "Número de Motor "_cp, "BWA" + std::to_string(100000 + n));
    Linha(s, "Ano Modelo de Fabricação "_cp, "2011");
    Linha(s, "Ano de Fabricação "_cp, "2010");
  }
  Linha(s, "ICMS Normal e ST");
  Linha(s, "Origem da Mercadoria", "0 - Nacional");
  switch (tipo) {
    case 1:
      Linha(s, "Tributação do ICMS"_cp, "10 - Tributada e com cobrança do ICMS por substituição tributária"_cp);
      Linha(s, "Modalidade Definição da BC ICMS NORMAL "_cp, "3 - Valor da Operação"_cp);
      Linha(s, "Base de Cálculo do ICMS Normal"_cp, valor);
      Linha(s, "Alíquota ICMS Normal "_cp, "12,00");
      Linha(s, "Valor do ICMS Normal", "1,26");
      Linha(s, "Modalidade Definição da BC ICMS ST "_cp, "4 - Margem Valor Agregado (%)");
      Linha(s, "Percentual do MVA do ICMS ST", "35,00");
      Linha(s, "Base de Cálculo do ICMS ST"_cp, "14,17");
      Linha(s, "Alíquota do ICMS ST"_cp, "18,00");
      Linha(s, "Valor do ICMS ST ", "1,29");
      break;
    case 2:
      Linha(s, "Tributação do ICMS"_cp, "20 - Com redução de base de cálculo"_cp);
      Linha(s, "Modalidade Definição da BC do ICMS "_cp, "3 - Valor da Operação"_cp);
      Linha(s, "Base de Cálculo"_cp, "7,00");
      Linha(s, "Alíquota"_cp, "12,00");
      Linha(s, "Valor", "0,84");
      Linha(s, "Percentual Redução de BC do ICMS Normal"_cp, "33,33");
      break;
    case 3:
      Linha(s, "Tributação do ICMS"_cp, "70 - Com redução de base de cálculo e cobrança do ICMS por ST"_cp);
      Linha(s, "Modalidade ", "3 - Valor da Operação"_cp);
      Linha(s, "Percentual Redução de BC do ICMS Normal"_cp, "10,00");
      Linha(s, "Base de Cálculo"_cp, "9,45");
      Linha(s, "Alíquota"_cp, "12,00");
      Linha(s, "Valor", "1,13");
      Linha(s, "Modalidade de Determinação da BC do ICMS ST"_cp, "4 - Margem Valor Agregado (%)");
      Linha(s, "Percentual da Margen de Valor Adicionado do ICMS ST", "40,00");
      Linha(s, "Percentual da Redução de BC do ICMS ST"_cp, "10,00");
      Linha(s, "Valor da BC do ICMS ST", "13,23");
      Linha(s, "Alíquota do Imposto do ICMS ST"_cp, "18,00");
      Linha(s, "Valor do ICMS ST", "1,25");
      break;
    case 4:
      Linha(s, "Código de Situação da Operação - Simples Nacional"_cp, "102 - Tributada sem permissão de crédito"_cp);
      break;
    case 5:
      Linha(s, "Código de Situação da Operação - Simples Nacional"_cp,
            "500 - ICMS cobrado anteriormente por substituição tributária"_cp);
      Linha(s, "Valor da BC do ICMS ST retido ", "9,00");
      Linha(s, "Valor do ICMS ST retido", "1,62");
      break;
    default:
      Linha(s, "Tributação do ICMS"_cp, "00 - Tributada integralmente");
      Linha(s, "Modalidade Definição da BC ICMS NORMAL "_cp, "3 - Valor da Operação"_cp);
      Linha(s, "Base de Cálculo do ICMS Normal"_cp, valor);
      Linha(s, "Alíquota do ICMS Normal"_cp, "12,00");
      Linha(s, "Valor do ICMS Normal", "1,26");
      Linha(s, "IMPOSTO SOBRE PRODUTOS INDUSTRIALIZADOS");
      Linha(s, "Código de Enquadramento"_cp, "999");
      Linha(s, "CST", "50 - Saída tributada"_cp);
      Linha(s, "Base de Cálculo"_cp, valor);
      Linha(s, "Alíquota"_cp, "10,00");
      Linha(s, "Valor IPI", "1,05");
  }
  for (const std::string_view imposto : {"PIS", "COFINS"}) {
    Linha(s, imposto);
    Linha(s, "CST", "01 - Operação Tributável (alíquota normal)"_cp);
    Linha(s, "Base de Cálculo"_cp, valor);
    Linha(s, "Alíquota"_cp, imposto == "PIS" ? "1,65" : "7,60");
    s += "Valor";
    // No line break after the last one: the next item's marker starts with one.
    s += imposto == "PIS" ? "0,17\r\n" : "0,80";
  }
}

inline void Fim(std::string& s, long totalCentavos) {
  s += "\r\n";
  Linha(s, "Totais");
  Linha(s, "ICMS");
  Linha(s, "Base de Cálculo ICMS"_cp, Reais(totalCentavos));
  Linha(s, "Valor do ICMS", "100,00");
  Linha(s, "Base de Cálculo ICMS ST"_cp, "0,00");
  Linha(s, "Valor ICMS Substituição"_cp, "0,00");
  Linha(s, "Valor Total dos Produtos", Reais(totalCentavos));
  Linha(s, "Valor do Frete", "0,00");
  Linha(s, "Valor do Seguro", "0,00");
  Linha(s, "Outras Despesas Acessórias"_cp, "0,00");
  Linha(s, "Valor Total do IPI", "0,00");
  Linha(s, "Valor Total da NFe", Reais(totalCentavos));
  Linha(s, "Valor Total dos Descontos", "0,00");
  Linha(s, "Valor do II", "0,00");
  Linha(s, "Valor do PIS", "0,00");
  Linha(s, "Valor da COFINS", "0,00");
  Linha(s, "Dados do Transporte");
  Linha(s, "Modalidade do Frete", "0 - Por conta do emitente");
  Linha(s, "TRANSPORTADOR");
  Linha(s, "CNPJ", "27.461.983/0002-09");
  Linha(s, "Razão Social / Nome"_cp, "TRANSPORTADORA RODOVIA SUL LTDA");
  Linha(s, "Inscrição Estadual"_cp, "492.116.390.113");
  Linha(s, "Endereço Completo"_cp, "RUA CAPITAO MACEDO, 214");
  Linha(s, "Município"_cp, "SAO PAULO");
  Linha(s, "UF", "SP");
  Linha(s, "VEÍCULO"_cp);
  Linha(s, "Placa", "EJK4521");
  Linha(s, "UF", "SP");
  Linha(s, "VOLUMES");
  Linha(s, "Quantidade", "38");
  Linha(s, "Espécie"_cp, "CAIXA");
  Linha(s, "Marca", "DIPAL");
  Linha(s, "Numeração"_cp, "1 A 38");
  Linha(s, "Peso Líquido"_cp, "612,400");
  Linha(s, "Peso Bruto", "648,900");
  Linha(s, "Dados de Cobrança"_cp);
  Linha(s, "FATURA");
  Linha(s, "Número"_cp, "4567");
  Linha(s, "Valor Original", Reais(totalCentavos));
  Linha(s, "Valor Desconto", "0,00");
  Linha(s, "Valor Líquido"_cp, Reais(totalCentavos));
  Linha(s, "DUPLICATAS");
  Linha(s, "Número"_cp);
  Linha(s, "Vencimento");
  Linha(s, "Valor");
  for (int d = 1; d <= 3; ++d) {
    Linha(s, " 4567-" + std::to_string(d));
    Linha(s, " 1" + std::to_string(d) + "/0" + std::to_string(d + 4) + "/2011");
    Linha(s, " " + Reais(totalCentavos / 3));
  }
  Linha(s, "Informações Adicionais"_cp);
  Linha(s, "INFORMAÇÕES COMPLEMENTARES DE INTERESSE DO FISCO"_cp);
  Linha(s, " DOCUMENTO EMITIDO POR ME OU EPP OPTANTE PELO SIMPLES NACIONAL");
  Linha(s, "INFORMAÇÕES COMPLEMENTARES DE INTERESSE DO CONTRIBUINTE"_cp);
  Linha(s, " PEDIDO DE COMPRA 88213 - REPRESENTANTE: MARCOS VIEIRA");
  Linha(s, "OBSERVAÇÕES DO CONTRIBUINTE"_cp);
  Linha(s, "Campo");
  Linha(s, "Texto");
  Linha(s, " PEDIDO");
  Linha(s, "88213");
  Linha(s, "VENDEDOR");
  Linha(s, "MARCOS VIEIRA");
  Linha(s, "Dados de Nota Fiscal Avulsa");
}

// The page text of an invoice with `itens` items (1 to 990).
inline std::string Pagina(int itens) {
  std::string s;
  s.reserve(6000 + static_cast<std::size_t>(itens) * 2000);
  Cabecalho(s);
  long total = 0;
  for (int n = 1; n <= itens; ++n) {
    Item(s, n);
    total += CentavosDoItem(n);
  }
  Fim(s, total);
  return s;
}

}  // namespace pagina_sintetica
