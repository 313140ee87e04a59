#include "writer/kxnFormaTXT.h"

#include <algorithm>

#include "util/kxnAuxiliar.h"

namespace {

void Maiusculas(std::string& texto) {
  for (char& c : texto)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

// Every X of a "<X>" in the text (X holding neither "<" nor ">").
std::vector<std::string> GruposDaLinha(std::string_view linha) {
  std::vector<std::string> grupos;
  std::size_t fimAnterior = 0;
  for (std::size_t fim = linha.find('>'); fim != std::string_view::npos; fim = linha.find('>', fim + 1)) {
    const std::size_t inicio = linha.rfind('<', fim);
    if (inicio != std::string_view::npos && inicio >= fimAnterior)
      grupos.emplace_back(linha.substr(inicio + 1, fim - inicio - 1));
    fimAnterior = fim + 1;
  }
  return grupos;
}

}  // namespace

void TFormaTXT::CarregarLeiaute(std::string_view Texto) {
  linhasLeiaute_.clear();
  std::size_t inicio = 0;
  while (inicio < Texto.size()) {
    std::size_t fim = Texto.find_first_of("\r\n", inicio);
    if (fim == std::string_view::npos) {
      linhasLeiaute_.emplace_back(Texto.substr(inicio));
      break;
    }
    linhasLeiaute_.emplace_back(Texto.substr(inicio, fim - inicio));
    if (Texto[fim] == '\r' && fim + 1 < Texto.size() && Texto[fim + 1] == '\n') ++fim;
    inicio = fim + 1;
  }
  estado_ = EstadoTXT();
}

void TFormaTXT::Indexar() {
  estado_ = EstadoTXT();
  estado_.indexado = true;
  for (const std::string& texto : linhasLeiaute_) {
    const int indice = static_cast<int>(estado_.leiaute.size());
    LinhaLeiaute& linha = estado_.leiaute.emplace_back();
    linha.comMarcador = texto.find('\xA8') != std::string::npos;
    std::string fixo;
    for (std::size_t i = 0; i < texto.size();) {
      if (texto[i] == '|') {
        const std::size_t fim = texto.find_first_of("|\xA8", i + 1);
        if (fim != std::string::npos && texto[fim] == '\xA8') {
          if (!fixo.empty()) linha.pecas.push_back({std::move(fixo), -1});
          fixo.clear();
          linha.pecas.push_back({texto.substr(i, fim + 1 - i), static_cast<int>(linha.nomes.size())});
          linha.nomes.push_back(texto.substr(i + 1, fim - i - 1));
          i = fim + 1;
          continue;
        }
      }
      fixo += texto[i++];
    }
    if (!fixo.empty()) linha.pecas.push_back({std::move(fixo), -1});

    // Lines open by the upper-case group ID; fields fill the groups as written.
    std::string maiuscula = texto;
    Maiusculas(maiuscula);
    for (const std::string& grupo : GruposDaLinha(maiuscula)) {
      std::vector<int>& linhas = estado_.linhasPorGrupo[grupo];
      if (linhas.empty() || linhas.back() != indice) linhas.push_back(indice);
    }
    const std::vector<std::string> grupos = GruposDaLinha(texto);
    linha.chaves.resize(linha.nomes.size());
    for (std::size_t m = 0; m < linha.nomes.size(); ++m) {
      for (const std::string& grupo : grupos) {
        const auto [it, nova] =
            estado_.chaves.try_emplace(grupo + '\1' + linha.nomes[m], static_cast<int>(estado_.pendentes.size()));
        if (nova) estado_.pendentes.emplace_back();
        linha.chaves[m].push_back(it->second);
      }
    }
  }
}

void TFormaTXT::IniciarLinhas(std::string_view IDGrupo) {
  if (linhasLeiaute_.empty() || IDGrupo.empty()) return;
  if (!estado_.indexado) Indexar();
  const auto grupo = estado_.linhasPorGrupo.find(std::string(IDGrupo));
  if (grupo == estado_.linhasPorGrupo.end()) return;
  for (const int indice : grupo->second) {
    const LinhaLeiaute& leiaute = estado_.leiaute[static_cast<std::size_t>(indice)];
    const int numero = static_cast<int>(estado_.linhas.size());
    LinhaTXT& linha = estado_.linhas.emplace_back();
    linha.leiaute = indice;
    linha.primeiroValor = estado_.marcas.size();
    estado_.marcas.insert(estado_.marcas.end(), leiaute.nomes.size(), ValorTXT());
    for (std::size_t m = 0; m < leiaute.chaves.size(); ++m)
      for (const int chave : leiaute.chaves[m])
        estado_.pendentes[static_cast<std::size_t>(chave)].push_back({numero, static_cast<int>(m)});
  }
}

bool TFormaTXT::PreencherCampo(std::string_view IDGrupo, std::string_view TAG, std::string_view Valor) {
  if (linhasLeiaute_.empty() || estado_.linhas.empty()) return false;
  std::string& chave = estado_.chave;
  chave.assign(IDGrupo);
  chave += '\1';
  const std::size_t inicioNome = chave.size();
  chave += Aparar(TAG);
  for (std::size_t i = inicioNome; i < chave.size(); ++i)
    if (chave[i] >= 'a' && chave[i] <= 'z') chave[i] = static_cast<char>(chave[i] - 'a' + 'A');
  const auto encontrada = estado_.chaves.find(chave);
  if (encontrada == estado_.chaves.end()) return false;
  bool trocado = false;

  // In every line, the first marker of the name still open takes the value.
  std::vector<Pendente>& pendentes = estado_.pendentes[static_cast<std::size_t>(encontrada->second)];
  std::size_t mantidos = 0;
  int ultimaLinha = -1;
  for (const Pendente& p : pendentes) {
    LinhaTXT& linha = estado_.linhas[static_cast<std::size_t>(p.linha)];
    ValorTXT& marca = estado_.marcas[linha.primeiroValor + static_cast<std::size_t>(p.marcador)];
    if (marca.tamanho != ValorTXT::kAberto) continue;  // filled through another group of the line
    if (p.linha == ultimaLinha) {
      pendentes[mantidos++] = p;
      continue;
    }
    marca.inicio = static_cast<std::uint32_t>(estado_.valores.size());
    marca.tamanho = static_cast<std::uint32_t>(std::min<std::size_t>(Valor.size(), ValorTXT::kAberto - 1));
    estado_.valores += Valor.substr(0, marca.tamanho);
    // A "|" inside a value would shift every later field of its record, a
    // line break split it in two, and other control characters reach the
    // programs that read it.
    for (std::size_t i = marca.inicio; i < estado_.valores.size(); ++i) {
      const auto c = static_cast<unsigned char>(estado_.valores[i]);
      if (c == '|' || c < 32 || c == 127) {
        estado_.valores[i] = ' ';
        trocado = true;
      }
    }
    linha.alterada = true;
    ultimaLinha = p.linha;
  }
  pendentes.resize(mantidos);
  return trocado;
}

std::optional<std::string> TFormaTXT::Concluir(std::string_view ID) {
  if (linhasLeiaute_.empty() || estado_.linhas.empty()) return std::nullopt;
  // The finished text is about the layout lines with their values: one allocation.
  std::string saida;
  saida.reserve(estado_.valores.size() + estado_.marcas.size() + estado_.linhas.size() * 16);
  std::string texto;
  std::vector<std::string_view> esvaziados;
  for (const LinhaTXT& linha : estado_.linhas) {
    const LinhaLeiaute& leiaute = estado_.leiaute[static_cast<std::size_t>(linha.leiaute)];
    // A group line of which no field was filled.
    if (!linha.alterada && leiaute.comMarcador) continue;

    texto.clear();
    esvaziados.clear();
    bool idVisto = false;
    for (const LinhaLeiaute::Peca& peca : leiaute.pecas) {
      if (peca.marcador < 0) {
        const std::size_t p = idVisto ? std::string::npos : peca.texto.find("^ID^");
        if (p == std::string::npos || texto.size() + p == 0) {
          idVisto = idVisto || p != std::string::npos;
          texto += peca.texto;
        } else {
          idVisto = true;
          texto.append(peca.texto, 0, p);
          texto += ID;
          texto.append(peca.texto, p + 4);
        }
        continue;
      }
      const auto m = static_cast<std::size_t>(peca.marcador);
      if (const ValorTXT& marca = estado_.marcas[linha.primeiroValor + m]; marca.tamanho != ValorTXT::kAberto) {
        texto += '|';
        texto.append(estado_.valores, marca.inicio, marca.tamanho);
        continue;
      }
      // An open marker is emptied once per name and line.
      const std::string_view nome = leiaute.nomes[m];
      if (std::find(esvaziados.begin(), esvaziados.end(), nome) == esvaziados.end()) {
        esvaziados.push_back(nome);
        texto += '|';
      } else {
        texto += peca.texto;
      }
    }

    // The record: what follows the group prefix, trimmed; a record name of
    // more than two characters ending in a letter ends in lower case.
    std::string_view registro = texto;
    if (const auto fim = texto.find('>'); fim != std::string::npos) {
      registro = Aparar(registro.substr(fim + 1));
      const std::size_t tamanho = std::min(registro.find('|'), registro.size());
      std::string nome(registro.substr(0, tamanho));
      Maiusculas(nome);
      if (tamanho > 2 && nome != "NOTA FISCAL" && nome.back() >= 'A' && nome.back() <= 'Z')
        texto[static_cast<std::size_t>(registro.data() - texto.data()) + tamanho - 1] =
            static_cast<char>(nome.back() - 'A' + 'a');
    }
    saida += registro;
    saida += "\r\n";
  }
  estado_ = EstadoTXT();
  return saida;
}
