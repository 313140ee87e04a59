#pragma once
// The TXT form of a document, filled beside its XML by the field writer
// (TGerador): the layout's lines of each group opened, their field markers
// filled as the fields are written, and the finished text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TFormaTXT {
 public:
  // Loads the layout text (lines ended by CR, LF or CR LF) and drops any
  // pending lines; the empty text switches the TXT form off.
  void CarregarLeiaute(std::string_view Texto);
  // Whether a layout is loaded (else every other call does nothing).
  bool Ativa() const { return !linhasLeiaute_.empty(); }
  // Opens the layout lines of the group ID, given in upper case.
  void IniciarLinhas(std::string_view IDGrupo);
  // Fills, in every pending line of the group ID (upper case), the first open
  // marker of TAG. A "|" or control character of the value becomes a blank
  // there: true when one did.
  bool PreencherCampo(std::string_view IDGrupo, std::string_view TAG, std::string_view Valor);
  // Finishes the document: unfilled lines dropped, "^ID^" := ID, open
  // markers emptied, group prefixes cut. Nothing when no line is pending.
  std::optional<std::string> Concluir(std::string_view ID);

 private:
  void Indexar();

  std::vector<std::string> linhasLeiaute_;

  // A layout line cut into fixed text and field markers ("|" name "¨").
  struct LinhaLeiaute {
    struct Peca {
      std::string texto;  // fixed text, or the marker as written
      int marcador = -1;  // index of the marker, -1 for fixed text
    };
    std::vector<Peca> pecas;
    std::vector<std::string> nomes;        // marker names, in order
    std::vector<std::vector<int>> chaves;  // per marker: its (group, name) keys
    bool comMarcador = false;              // holds the marker character
  };
  // A marker's value, a piece of EstadoTXT::valores; kept small, there is
  // one per marker of every pending line.
  struct ValorTXT {
    static constexpr std::uint32_t kAberto = UINT32_MAX;
    std::uint32_t inicio = 0;
    std::uint32_t tamanho = kAberto;  // kAberto: not filled yet
  };
  struct LinhaTXT {
    int leiaute = 0;
    std::size_t primeiroValor = 0;  // its markers' values start here in EstadoTXT::marcas
    bool alterada = false;          // some marker was filled
  };
  // An open marker waiting for its field.
  struct Pendente {
    int linha;
    int marcador;
  };
  // Each field touches only the open markers of its (group, name) key, so
  // the work per field does not grow with the document.
  struct EstadoTXT {
    bool indexado = false;
    std::vector<LinhaLeiaute> leiaute;
    std::unordered_map<std::string, std::vector<int>> linhasPorGrupo;  // upper-case ID -> layout lines
    std::unordered_map<std::string, int> chaves;                       // ID '\1' NAME -> key
    std::vector<std::vector<Pendente>> pendentes;                      // per key, in line order
    std::vector<LinhaTXT> linhas;
    std::vector<ValorTXT> marcas;  // per marker of every pending line
    std::string valores;           // the filled values, one after another
    std::string chave;             // reused lookup buffer
  };
  EstadoTXT estado_;
};
