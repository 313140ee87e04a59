#include "DataHora.h"

#include <cmath>
#include <string>

#include "../util/ErroConversao.h"
#include "../util/Win1252.h"

namespace {

// A TDateTime outside the years 1 to 9999.
std::string ForaDoIntervalo(double valor) {
  return "Data e hora: '" + std::to_string(valor) + "' " + std::string("está fora dos anos 1 a 9999."_cp);
}

constexpr long long kDiasAte1899_12_30 = -25569;  // 1899-12-30 relative to 1970-01-01

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
long long DiasDesde1970(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void DataDeDias(long long z, int& ano, int& mes, int& dia) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  dia = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  mes = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  ano = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (mes <= 2));
}

}  // namespace

bool DataValida(int ano, int mes, int dia) {
  static constexpr int kDias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (ano < 1 || ano > 9999 || mes < 1 || mes > 12 || dia < 1) return false;
  const bool bissexto = (ano % 4 == 0 && ano % 100 != 0) || ano % 400 == 0;
  return dia <= kDias[mes - 1] + (mes == 2 && bissexto ? 1 : 0);
}

TDateTime CodificarHora(int hora, int minuto, int segundo) {
  if (hora < 0 || hora > 23 || minuto < 0 || minuto > 59 || segundo < 0 || segundo > 59)
    throw ErroConversao("Hora: '" + std::to_string(hora) + ":" + std::to_string(minuto) + ":" +
                        std::to_string(segundo) + "' " + std::string("não é uma hora válida."_cp));
  return (hora * 3600.0 + minuto * 60.0 + segundo) / 86400.0;
}

TDateTime CodificarDataHora(int ano, int mes, int dia, int hora, int minuto, int segundo) {
  if (!DataValida(ano, mes, dia))
    throw ErroConversao("Data: '" + std::to_string(ano) + "-" + std::to_string(mes) + "-" + std::to_string(dia) + "' " +
                        std::string("não é uma data válida."_cp));
  const double dias = static_cast<double>(DiasDesde1970(ano, unsigned(mes), unsigned(dia)) - kDiasAte1899_12_30);
  const double hora_ = CodificarHora(hora, minuto, segundo);
  // Dates before 1899-12-30 keep the time as a positive fraction away from zero.
  return dias < 0 ? dias - hora_ : dias + hora_;
}

DataHoraPartes DecodificarDataHora(TDateTime valor) {
  // Years 1 to 9999 only; NaN, infinities and far-off values have no calendar date.
  if (!(valor > -693594.0 && valor < 2958466.0)) throw ErroConversao(ForaDoIntervalo(valor));
  double inteira = std::trunc(valor);
  long long segundos = std::llround(std::fabs(valor - inteira) * 86400.0);
  if (segundos >= 86400) {
    // Midnight of the next calendar day, also before 1899-12-30 where the
    // day number counts up towards zero.
    segundos -= 86400;
    inteira += 1;
    if (inteira > 2958465.0) throw ErroConversao(ForaDoIntervalo(valor));
  }
  DataHoraPartes p;
  DataDeDias(static_cast<long long>(inteira) + kDiasAte1899_12_30, p.ano, p.mes, p.dia);
  p.hora = static_cast<int>(segundos / 3600);
  p.minuto = static_cast<int>(segundos / 60 % 60);
  p.segundo = static_cast<int>(segundos % 60);
  return p;
}
