#pragma once
// Sizing of a batch of pages converted side by side.

#include <cstddef>
#include <cstdint>

// Peak memory of one page's conversion per byte of the page: the hostile pages
// of bench/PaginasHostis.cpp peak at about 8 times their size (lone line
// feeds, each grown into a line separator and folded); a margin on top.
inline constexpr std::uintmax_t kMemoriaPorBytePagina = 10;
// What a conversion takes whatever the page's size (the writer, its tables).
inline constexpr std::uintmax_t kMemoriaPorConversao = std::uintmax_t{16} << 20;

// How many pages to convert at once: one per core, never more than there are
// pages, and no more than `memoria` bytes hold when each converts a page of
// `maiorPagina` bytes; always at least one.
std::size_t TrabalhadoresDoLote(std::size_t nucleos, std::size_t paginas, std::uintmax_t maiorPagina,
                                std::uintmax_t memoria);
