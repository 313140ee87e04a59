#pragma once
// Owning ordered list behind every repeatable group of the model.

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

template <class Item>
class TColecao {
 public:
  TColecao() = default;
  TColecao(const TColecao& outra) { *this = outra; }
  // Assigning empties this collection and fills it with copies of the other's
  // items; the collection object itself stays the one its owner created.
  TColecao& operator=(const TColecao& outra) {
    if (this == &outra) return *this;
    std::vector<std::unique_ptr<Item>> copia;
    copia.reserve(outra.itens_.size());
    for (const auto& item : outra.itens_) copia.push_back(std::make_unique<Item>(*item));
    itens_ = std::move(copia);
    return *this;
  }
  TColecao(TColecao&&) noexcept = default;
  TColecao& operator=(TColecao&&) noexcept = default;

  // Appends a new item at its initial values and returns it; the reference
  // stays valid while the item is in the collection.
  Item& Add() {
    itens_.push_back(std::make_unique<Item>());
    return *itens_.back();
  }
  int Count() const { return static_cast<int>(itens_.size()); }
  Item& Items(int indice) { return *itens_[Conferir(indice)]; }
  const Item& Items(int indice) const { return *itens_[Conferir(indice)]; }
  void Clear() { itens_.clear(); }

 private:
  std::size_t Conferir(int indice) const {
    if (indice < 0 || indice >= Count())
      throw std::out_of_range("list index out of bounds (" + std::to_string(indice) + "), count " +
                              std::to_string(Count()));
    return static_cast<std::size_t>(indice);
  }
  std::vector<std::unique_ptr<Item>> itens_;
};
