#pragma once
// TDateTime: days since 1899-12-30 00:00 as a double, the fraction being the
// time of day; 0 means "not set". Whole seconds survive a round trip exactly.

using TDateTime = double;

struct DataHoraPartes {
  int ano = 1899, mes = 12, dia = 30;
  int hora = 0, minuto = 0, segundo = 0;
};

// Raises ErroConversao for an impossible date or time (month 13, 31 April, 24:00:00...).
TDateTime CodificarDataHora(int ano, int mes, int dia, int hora = 0, int minuto = 0, int segundo = 0);
TDateTime CodificarHora(int hora, int minuto, int segundo);
// Taken apart to the nearest whole second. Raises ErroConversao outside the
// years 1 to 9999, also when the rounding carries past 9999-12-31 (and for
// NaN or infinity).
DataHoraPartes DecodificarDataHora(TDateTime valor);
bool DataValida(int ano, int mes, int dia);
